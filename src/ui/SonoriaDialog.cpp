#include "SonoriaDialog.h"

#include "Conventions.h"
#include "Messages.h"
#include "core/Config.h"

#include <QBoxLayout>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>

SonoriaDialog::SonoriaDialog(const QString& section, Placement placement, QWidget* parent)
    : QDialog(parent), m_section(section), m_placement(placement) {
    setModal(true);
}

void SonoriaDialog::setVisible(bool visible) {
    if (visible) {
        // Placed before the window system sees the window: a stored corner is the frame's, which
        // the window manager honours only for a window it has not mapped yet.
        if (!m_placed) place();
        FixedSizeFrame(this);
    }
    QDialog::setVisible(visible);
}

void FixedSizeFrame(QWidget* window) {
    if (window->minimumSize() != window->maximumSize()) return;
    constexpr Qt::WindowFlags frame = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                      Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (window->windowFlags() != frame) window->setWindowFlags(frame);
}

QRect FormBounds(const QWidget* window) {
    return {window->pos(), window->size()};
}

void SonoriaDialog::place() {
    m_placed = true;
    if (m_fontSize > 0) {
        QFont f = font();
        f.setPointSize(m_fontSize);
        setFont(f);
    } else {
        ApplyFontSize(this);
    }
    if (!testAttribute(Qt::WA_Resized)) adjustSize();
    switch (m_placement) {
    case Placement::Position:
        move(LoadFormPosition(m_section));
        break;
    case Placement::Bounds: {
        const QRect bounds = LoadFormBounds(m_section, width(), height());
        resize(bounds.size());
        move(bounds.topLeft());
        break;
    }
    case Placement::Centred:
        if (QScreen* s = QGuiApplication::primaryScreen())
            move(s->availableGeometry().center() - rect().center());
        break;
    case Placement::None:
        break;
    }
}

void SonoriaDialog::storePlacement() {
    switch (m_placement) {
    case Placement::Position:
        SaveFormPosition(m_section, pos());
        break;
    case Placement::Bounds:
        SaveFormBounds(m_section, FormBounds(this));
        break;
    default:
        break;
    }
}

void SonoriaDialog::done(int result) {
    if (!m_stored && m_placed) {
        m_stored = true;
        RunGuarded([this] { storePlacement(); });
    }
    QDialog::done(result);
}

OkCancelButtons MakeOkCancel(QDialog* dialog, bool okIsDefault, std::function<void()> onOk) {
    auto* ok = new QPushButton(QStringLiteral("OK"), dialog);
    ok->setObjectName(QStringLiteral("ok"));
    auto* cancel = new QPushButton(QStringLiteral("Mégsem"), dialog);
    cancel->setObjectName(QStringLiteral("cancel"));
    ok->setDefault(okIsDefault);
    ok->setAutoDefault(okIsDefault);
    cancel->setAutoDefault(false);
    if (onOk)
        QObject::connect(ok, &QPushButton::clicked, dialog, std::move(onOk));
    else
        QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    return {ok, cancel};
}

OkCancelButtons AddOkCancelRow(QDialog* dialog, QBoxLayout* layout, std::function<void()> onOk) {
    const OkCancelButtons buttons = MakeOkCancel(dialog, false, std::move(onOk));
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    for (QPushButton* b : {buttons.ok, buttons.cancel}) {
        b->setMinimumWidth(90);
        row->addWidget(b);
    }
    layout->addLayout(row);
    return buttons;
}
