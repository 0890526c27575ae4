#pragma once

#include <QByteArray>
#include <QString>

// A configuration file with the semantics of Windows private profiles, so a file brought from a
// Windows workstation reads the same: section and key names match without regard to case, values
// are the text after "=" (surrounding blanks trimmed), every read and write opens and closes the
// file, a write keeps every other line as it was, lines end in CR LF, bytes are windows-1250.
class IniFile {
public:
    explicit IniFile(QString path) : m_path(std::move(path)) {}
    const QString& path() const { return m_path; }

    bool hasKey(const QString& section, const QString& key) const;
    QByteArray readBytes(const QString& section, const QString& key, const QByteArray& def = {}) const;
    QString readText(const QString& section, const QString& key, const QString& def = {}) const;
    // A value that is not a decimal whole number gives the default.
    int readInt(const QString& section, const QString& key, int def) const;
    bool readBool(const QString& section, const QString& key, bool def) const;

    // Writes throw FileError naming the file when the file system refuses, EncodingError when a
    // character has no windows-1250 byte. The folder is created when missing.
    void writeBytes(const QString& section, const QString& key, const QByteArray& value);
    void writeText(const QString& section, const QString& key, const QString& value);
    void writeInt(const QString& section, const QString& key, int value);
    void writeBool(const QString& section, const QString& key, bool value);
    void removeKeys(const QString& section, const QStringList& keys);

private:
    struct Lines;
    Lines load() const;
    void save(const Lines& lines) const;
    QString m_path;
};
