#include "ReportPage.h"

std::vector<const TextRun*> ReportPage::texts() const {
    std::vector<const TextRun*> out;
    for (const Primitive& p : items)
        if (p.kind == Primitive::Text) out.push_back(&p.text);
    return out;
}

const TextRun* ReportPage::findText(const QString& text) const {
    for (const Primitive& p : items)
        if (p.kind == Primitive::Text && p.text.text == text) return &p.text;
    return nullptr;
}

QString ReportPage::plainText() const {
    QStringList lines;
    for (const Primitive& p : items)
        if (p.kind == Primitive::Text) lines << p.text.text;
    return lines.join(u'\n');
}
