#pragma once

#include "IniFile.h"

#include <QList>
#include <QRect>
#include <QString>

inline QString ProgramVersion() {
    return QStringLiteral("17.0.0.21");
}
inline QString ApplicationTitle() {
    return QStringLiteral("Sonoria");
}

// Where the configuration file lives, fixed once at start (SetConfigLocation).
const QString& ExeDirectory();
const QString& ConfigDirectory();
const QString& ConfigPath();
// exeDir: the executable's folder. The file beside it wins; otherwise ~/.config/Sonoria.
void SetConfigLocation(const QString& exeDir);
IniFile& Config(); // the file at ConfigPath

// The installed data (schema, demo-data generator, a Logo.bmp for every user): share/sonoria beside the
// executable's bin folder, as the package installs it.
QString DataDirectory();
// The folder of the Logo.bmp that findings sheets and envelopes print: the executable's folder, else the
// configuration folder, else the installed data folder, whichever holds one first (the letter case of
// the name ignored); the executable's folder when none does.
QString LogoFolder();

// 35: the configuration folder common to the programs of this user; 5: the documents folder.
QString SpecialFolder(int number);

QString IniReadText(const QString& section, const QString& key, const QString& def);
void IniWriteText(const QString& section, const QString& key, const QString& text);

// The desktop's work area, read once at start (only its right and bottom edges are used).
void SetWorkArea(const QRect& area);
const QRect& WorkArea();

QPoint LoadFormPosition(const QString& windowName);
void SaveFormPosition(const QString& windowName, QPoint topLeft);
QRect LoadFormBounds(const QString& windowName, int width, int height);
void SaveFormBounds(const QString& windowName, const QRect& bounds);

// The six-field connection profile "database;host;port;user;password;display name".
struct ConnectionProfile {
    QString database, host, user, password, displayName;
    QString port = QStringLiteral("3306"); // as stored; a port that is no number fails at connect

    static ConnectionProfile parse(const QString& text);
    QString text() const; // the six fields joined by ";"
};

// One server of a profile: a host name or address and its port.
struct ServerAddress {
    QString host;
    unsigned port = 3306;
    QString text() const; // "host:port", an IPv6 address in brackets
    bool operator==(const ServerAddress&) const = default;
};

// "host[:port], host[:port], ..." (an IPv6 address with a port in brackets: "[::1]:3307"); entries
// without a port get defaultPort, empty entries are skipped. Throws FormatError naming the entry whose
// host is empty or whose port is not a whole number from 1 to 65535.
QList<ServerAddress> ParseServerList(const QString& text, unsigned defaultPort = 3306);
// "localhost", 127.x.x.x or ::1: a server on this machine.
bool IsLoopbackHost(const QString& host);

struct TlsSettings {
    bool enabled = false;
    QString caFile;     // the CA certificate (PEM) to trust; empty: the system's trusted CAs
    bool verify = true; // the server's certificate and its name are checked
    bool operator==(const TlsSettings&) const = default;
};

// The settings of profile N kept beside its ConStrN text under keys of their own, so that the six-field
// text stays as older versions read it. A missing key gives the default.
struct ProfileOptions {
    bool compression = true;
    TlsSettings tls;
    QString fallbackHosts; // further servers tried after the profile's own, "host[:port]" separated by ","
    bool operator==(const ProfileOptions&) const = default;

    static ProfileOptions read(const IniFile& ini, int n);
    void write(IniFile& ini, int n) const;
    static QStringList keys(int n); // the keys of profile N, for removing them
};

// Stored form of a profile: three random bytes, then every byte plus one followed by a random byte.
// Throws FormatError for a character the stored form cannot carry.
QByteArray EncodeProfile(const QString& profile);
QString DecodeProfile(const QByteArray& stored);

// Profiles that start-up offers: ConStr1 to ConStr25 with a display name.
struct ProfileEntry {
    int key = 0;     // N of ConStrN
    QString entry;   // "N; display name"
    QString profile; // decoded text
    ProfileOptions options;
};
QList<ProfileEntry> StartupProfiles(const IniFile& ini);

// The program-wide settings and session record.
struct TBeall {
    QString profile;               // the open database's profile text
    QString profileName;           // its display name
    ProfileOptions profileOptions; // the settings stored beside it
    QString printerName;           // report printer, this run only; empty: the system default
    bool loginRequired = false;
    QString userName;
    bool torzsszerkeszt = false;
    bool rendszergazda = false;
    bool canins = false;
    bool canedit = false;
    bool candel = false;
    QString formatDb = QStringLiteral("### ### ##0");
    QString formatFt = QStringLiteral("### ### ##0");
    int betumeret = 9;
    int figynap = 0;
    QString htmlUt;
    bool teljesKep = true;
    QString alapVaros;
};
extern TBeall Beall;

// The settings of section "Alapertek" and the main window's stored bounds.
void LoadSettings(const IniFile& ini, TBeall& settings, QRect& mainBounds);
void SaveSettings(IniFile& ini, const TBeall& settings, const QRect& mainBounds);

QString FormatFt(double amount);   // money, with the mask of the settings
QString FormatDb(double quantity); // quantities
