#include "IniFile.h"

#include "Codec.h"
#include "Errors.h"
#include "PrivateFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSaveFile>

struct IniFile::Lines {
    QList<QByteArray> lines;
    bool existed = false;
};

static QByteArray trimmedBlanks(const QByteArray& b) {
    qsizetype s = 0, e = b.size();
    while (s < e && (b[s] == ' ' || b[s] == '\t'))
        ++s;
    while (e > s && (b[e - 1] == ' ' || b[e - 1] == '\t'))
        --e;
    return b.mid(s, e - s);
}

static QByteArray nameBytes(const QString& name) {
    return EncodeOrThrow(Codec::cp1250(), name);
}

static bool sameName(const QByteArray& a, const QByteArray& b) {
    return Codec::cp1250().decode(a).compare(Codec::cp1250().decode(b), Qt::CaseInsensitive) == 0;
}

// The section a line opens, or nothing when it opens none.
static std::optional<QByteArray> sectionOf(const QByteArray& line) {
    const QByteArray t = trimmedBlanks(line);
    if (t.startsWith('[')) {
        const qsizetype close = t.indexOf(']');
        if (close > 0) return trimmedBlanks(t.mid(1, close - 1));
    }
    return std::nullopt;
}

static bool keyOf(const QByteArray& line, QByteArray* key, QByteArray* value) {
    const qsizetype eq = line.indexOf('=');
    if (eq < 0) return false;
    *key = trimmedBlanks(line.left(eq));
    if (value) *value = trimmedBlanks(line.mid(eq + 1));
    return !key->isEmpty() && !key->startsWith(';');
}

IniFile::Lines IniFile::load() const {
    Lines result;
    QFile f(m_path);
    if (!f.open(QIODevice::ReadOnly)) return result;
    result.existed = true;
    const QByteArray all = f.readAll();
    qsizetype start = 0;
    while (start < all.size()) {
        qsizetype end = start;
        while (end < all.size() && all[end] != '\n' && all[end] != '\r')
            ++end;
        result.lines << all.mid(start, end - start);
        if (end < all.size() && all[end] == '\r' && end + 1 < all.size() && all[end + 1] == '\n') ++end;
        start = end + 1;
    }
    return result;
}

void IniFile::save(const Lines& lines) const {
    const QFileInfo info(m_path);
    if (!QDir().mkpath(info.absolutePath()))
        throw FileError(QStringLiteral("A(z) „%1” mappa nem hozható létre.").arg(info.absolutePath()));
    QSaveFile f(m_path);
    if (!f.open(QIODevice::WriteOnly))
        throw FileError(QStringLiteral("A(z) „%1” fájl nem írható: %2").arg(m_path, f.errorString()));
    MakeOwnerOnly(f); // the profiles' passwords
    for (const QByteArray& line : lines.lines) {
        f.write(line);
        f.write("\r\n", 2);
    }
    if (!f.commit())
        throw FileError(QStringLiteral("A(z) „%1” fájl nem írható: %2").arg(m_path, f.errorString()));
}

bool IniFile::hasKey(const QString& section, const QString& key) const {
    const QByteArray marker("\x01\x02");
    return readBytes(section, key, marker) != marker;
}

QByteArray IniFile::readBytes(const QString& section, const QString& key, const QByteArray& def) const {
    const Lines f = load();
    const QByteArray sec = nameBytes(section), k = nameBytes(key);
    bool inSection = false;
    for (const QByteArray& line : f.lines) {
        if (auto s = sectionOf(line)) {
            inSection = sameName(*s, sec);
            continue;
        }
        QByteArray lk, lv;
        if (inSection && keyOf(line, &lk, &lv) && sameName(lk, k)) return lv;
    }
    return def;
}

QString IniFile::readText(const QString& section, const QString& key, const QString& def) const {
    const QByteArray marker("\x01\x02");
    const QByteArray v = readBytes(section, key, marker);
    return v == marker ? def : Codec::cp1250().decode(v);
}

int IniFile::readInt(const QString& section, const QString& key, int def) const {
    bool ok = false;
    const int v = readBytes(section, key).toInt(&ok, 10);
    return ok ? v : def;
}

bool IniFile::readBool(const QString& section, const QString& key, bool def) const {
    bool ok = false;
    const int v = readBytes(section, key).toInt(&ok, 10);
    return ok ? v != 0 : def;
}

void IniFile::writeBytes(const QString& section, const QString& key, const QByteArray& value) {
    Lines f = load();
    const QByteArray sec = nameBytes(section), k = nameBytes(key);
    const QByteArray newLine = k + '=' + value;
    qsizetype sectionLine = -1, lastKeyLine = -1;
    bool inSection = false;
    for (qsizetype i = 0; i < f.lines.size(); ++i) {
        if (auto s = sectionOf(f.lines[i])) {
            if (inSection) break; // the section ended
            inSection = sameName(*s, sec);
            if (inSection) sectionLine = lastKeyLine = i;
            continue;
        }
        if (!inSection) continue;
        QByteArray lk;
        if (keyOf(f.lines[i], &lk, nullptr)) {
            if (sameName(lk, k)) {
                f.lines[i] = newLine;
                save(f);
                return;
            }
        }
        if (!trimmedBlanks(f.lines[i]).isEmpty()) lastKeyLine = i;
    }
    if (sectionLine < 0) {
        if (!f.lines.isEmpty() && !trimmedBlanks(f.lines.last()).isEmpty()) f.lines << QByteArray();
        f.lines << '[' + sec + ']' << newLine;
    } else {
        f.lines.insert(lastKeyLine + 1, newLine);
    }
    save(f);
}

void IniFile::writeText(const QString& section, const QString& key, const QString& value) {
    writeBytes(section, key, EncodeOrThrow(Codec::cp1250(), value));
}

void IniFile::writeInt(const QString& section, const QString& key, int value) {
    writeBytes(section, key, QByteArray::number(value));
}

void IniFile::writeBool(const QString& section, const QString& key, bool value) {
    writeBytes(section, key, value ? "1" : "0");
}

void IniFile::removeKeys(const QString& section, const QStringList& keys) {
    Lines f = load();
    if (!f.existed) return;
    const QByteArray sec = nameBytes(section);
    QList<QByteArray> names;
    for (const QString& k : keys)
        names << nameBytes(k);
    bool inSection = false, changed = false;
    for (qsizetype i = 0; i < f.lines.size();) {
        if (auto s = sectionOf(f.lines[i])) {
            inSection = sameName(*s, sec);
            ++i;
            continue;
        }
        QByteArray lk;
        if (inSection && keyOf(f.lines[i], &lk, nullptr) &&
            std::any_of(names.begin(), names.end(), [&](const QByteArray& n) { return sameName(lk, n); })) {
            f.lines.removeAt(i);
            changed = true;
        } else {
            ++i;
        }
    }
    if (changed) save(f);
}
