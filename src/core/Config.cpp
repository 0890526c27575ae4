#include "Config.h"

#include "Codec.h"
#include "Errors.h"
#include "NumberFormat.h"
#include "TextRoutines.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>

TBeall Beall;

namespace {
struct Location {
    QString exeDirectory, configDirectory, configPath;
    std::unique_ptr<IniFile> ini;
    QRect workArea{0, 0, 1024, 768};
};
Location& location() {
    static Location l;
    return l;
}
const QString IniName = QStringLiteral("Sonoria.ini");
} // namespace

const QString& ExeDirectory() {
    return location().exeDirectory;
}
const QString& ConfigDirectory() {
    return location().configDirectory;
}
const QString& ConfigPath() {
    return location().configPath;
}

void SetConfigLocation(const QString& exeDir) {
    Location& l = location();
    l.exeDirectory = QDir::cleanPath(exeDir);
    const QString common = SpecialFolder(35);
    if (QFileInfo::exists(l.exeDirectory + u'/' + IniName) || common.isEmpty())
        l.configDirectory = l.exeDirectory;
    else
        l.configDirectory = common + QStringLiteral("/Sonoria");
    l.configPath = l.configDirectory + u'/' + IniName;
    l.ini = std::make_unique<IniFile>(l.configPath);
}

IniFile& Config() {
    Location& l = location();
    if (!l.ini) SetConfigLocation(QDir::currentPath());
    return *l.ini;
}

QString DataDirectory() {
    return QDir::cleanPath(ExeDirectory() + QStringLiteral("/" SONORIA_DATA_FROM_BIN));
}

QString LogoFolder() {
    for (const QString& folder : {ExeDirectory(), ConfigDirectory(), DataDirectory()})
        if (!QDir(folder).entryList({QStringLiteral("logo.bmp")}, QDir::Files).isEmpty()) return folder;
    return ExeDirectory();
}

QString SpecialFolder(int number) {
    switch (number) {
    case 35:
        return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    case 5:
        return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    default:
        return {};
    }
}

QString IniReadText(const QString& section, const QString& key, const QString& def) {
    return Config().readText(section, key, def);
}

void IniWriteText(const QString& section, const QString& key, const QString& text) {
    Config().writeText(section, key, text);
}

void SetWorkArea(const QRect& area) {
    location().workArea = area;
}
const QRect& WorkArea() {
    return location().workArea;
}

QPoint LoadFormPosition(const QString& windowName) {
    const IniFile& ini = Config();
    return {ini.readInt(windowName, QStringLiteral("Left"), 10),
            ini.readInt(windowName, QStringLiteral("Top"), 10)};
}

void SaveFormPosition(const QString& windowName, QPoint topLeft) {
    IniFile& ini = Config();
    ini.writeInt(windowName, QStringLiteral("Left"), topLeft.x());
    ini.writeInt(windowName, QStringLiteral("Top"), topLeft.y());
}

QRect LoadFormBounds(const QString& windowName, int width, int height) {
    const IniFile& ini = Config();
    int left = ini.readInt(windowName, QStringLiteral("Left"), 10);
    int top = ini.readInt(windowName, QStringLiteral("Top"), 10);
    int w = ini.readInt(windowName, QStringLiteral("Width"), width);
    int h = ini.readInt(windowName, QStringLiteral("Height"), height);
    const int right = WorkArea().x() + WorkArea().width();
    const int bottom = WorkArea().y() + WorkArea().height();
    if (left > right) left = 0;
    if (top > bottom) top = 0;
    if (left + w > right) {
        if (w < right)
            left = right - w;
        else {
            left = 0;
            w = right;
        }
    }
    if (top + h > bottom) {
        if (h < bottom)
            top = bottom - h;
        else {
            top = 0;
            h = bottom;
        }
    }
    return {left, top, w, h};
}

void SaveFormBounds(const QString& windowName, const QRect& bounds) {
    IniFile& ini = Config();
    ini.writeInt(windowName, QStringLiteral("Left"), bounds.x());
    ini.writeInt(windowName, QStringLiteral("Top"), bounds.y());
    ini.writeInt(windowName, QStringLiteral("Width"), bounds.width());
    ini.writeInt(windowName, QStringLiteral("Height"), bounds.height());
}

ConnectionProfile ConnectionProfile::parse(const QString& text) {
    ConnectionProfile p;
    p.database = SeparatedPiece(u";", text, 1);
    p.host = SeparatedPiece(u";", text, 2);
    p.port = SeparatedPiece(u";", text, 3);
    p.user = SeparatedPiece(u";", text, 4);
    p.password = SeparatedPiece(u";", text, 5);
    p.displayName = SeparatedPiece(u";", text, 6);
    return p;
}

QString ConnectionProfile::text() const {
    return QStringList{database, host, port, user, password, displayName}.join(u';');
}

QString ServerAddress::text() const {
    return (host.contains(u':') ? u'[' + host + u']' : host) + u':' + QString::number(port);
}

QList<ServerAddress> ParseServerList(const QString& text, unsigned defaultPort) {
    QList<ServerAddress> list;
    for (const QString& piece : text.split(u',')) {
        const QString entry = piece.trimmed();
        if (entry.isEmpty()) continue;
        ServerAddress a;
        a.port = defaultPort;
        QString portText;
        bool hasPort = false;
        if (entry.startsWith(u'[')) { // [IPv6] or [IPv6]:port
            const qsizetype close = entry.indexOf(u']');
            if (close < 0 || (close + 1 < entry.size() && entry[close + 1] != u':'))
                throw FormatError(QStringLiteral("A kiszolgáló címe („%1”) hibás.").arg(entry));
            a.host = entry.mid(1, close - 1);
            hasPort = close + 1 < entry.size();
            portText = entry.mid(close + 2);
        } else if (entry.count(u':') == 1) {
            const qsizetype colon = entry.indexOf(u':');
            a.host = entry.left(colon).trimmed();
            portText = entry.mid(colon + 1);
            hasPort = true;
        } else {
            a.host = entry; // a name, an IPv4 address or a bare IPv6 address
        }
        if (a.host.isEmpty())
            throw FormatError(
                QStringLiteral("A(z) „%1” bejegyzésből hiányzik a kiszolgáló neve.").arg(entry));
        if (hasPort) {
            bool ok = false;
            const uint port = portText.trimmed().toUInt(&ok, 10);
            if (!ok || port == 0 || port > 65535)
                throw FormatError(
                    QStringLiteral("A(z) „%1” kiszolgáló portja nem érvényes egész szám (1 és 65535 között).")
                        .arg(entry));
            a.port = port;
        }
        list << a;
    }
    return list;
}

bool IsLoopbackHost(const QString& host) {
    const QString h = host.trimmed().toLower();
    return h == u"localhost" || h.startsWith(u"127.") || h == u"::1" || h == u"[::1]";
}

namespace {
QString optionKey(const char* name, int n) {
    return QString::fromLatin1(name) + QString::number(n);
}
} // namespace

ProfileOptions ProfileOptions::read(const IniFile& ini, int n) {
    const QString sec = QStringLiteral("Adatbazis");
    ProfileOptions o;
    o.compression = ini.readBool(sec, optionKey("Tomorites", n), o.compression);
    o.tls.enabled = ini.readBool(sec, optionKey("Titkositas", n), o.tls.enabled);
    o.tls.caFile = ini.readText(sec, optionKey("TitkositasCA", n), {});
    o.tls.verify = ini.readBool(sec, optionKey("TanusitvanyEllenorzes", n), o.tls.verify);
    o.fallbackHosts = ini.readText(sec, optionKey("TovabbiKiszolgalok", n), {});
    return o;
}

void ProfileOptions::write(IniFile& ini, int n) const {
    const QString sec = QStringLiteral("Adatbazis");
    ini.writeBool(sec, optionKey("Tomorites", n), compression);
    ini.writeBool(sec, optionKey("Titkositas", n), tls.enabled);
    ini.writeText(sec, optionKey("TitkositasCA", n), tls.caFile);
    ini.writeBool(sec, optionKey("TanusitvanyEllenorzes", n), tls.verify);
    ini.writeText(sec, optionKey("TovabbiKiszolgalok", n), fallbackHosts);
}

QStringList ProfileOptions::keys(int n) {
    QStringList k;
    for (const char* name :
         {"Tomorites", "Titkositas", "TitkositasCA", "TanusitvanyEllenorzes", "TovabbiKiszolgalok"})
        k << optionKey(name, n);
    return k;
}

QByteArray EncodeProfile(const QString& profile) {
    const QByteArray bytes = EncodeOrThrow(Codec::cp1250(), profile);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        // A control byte would turn into a line end or a blank of the file, 0xFF would not fit.
        if (b < 0x20 || b == 0xFF)
            throw FormatError(QStringLiteral("A kapcsolat adataiban nem szerepelhet a(z) „%1” karakter.")
                                  .arg(b < 0x20 ? QStringLiteral("\\x%1").arg(b, 2, 16, QLatin1Char('0'))
                                                : Codec::cp1250().decode(bytes.mid(i, 1))));
    }
    auto* rng = QRandomGenerator::global();
    auto randomByte = [rng] { return static_cast<char>(33 + rng->bounded(55)); };
    QByteArray out;
    out.reserve(3 + 2 * bytes.size());
    for (int i = 0; i < 3; ++i)
        out += randomByte();
    for (char b : bytes) {
        out += static_cast<char>(static_cast<unsigned char>(b) + 1);
        out += randomByte();
    }
    return out;
}

QString DecodeProfile(const QByteArray& stored) {
    QByteArray out;
    for (qsizetype i = 3; i < stored.size(); i += 2)
        out += static_cast<char>(static_cast<unsigned char>(stored[i]) - 1);
    return Codec::cp1250().decode(out);
}

QList<ProfileEntry> StartupProfiles(const IniFile& ini) {
    QList<ProfileEntry> list;
    for (int n = 1; n <= 25; ++n) {
        const QString profile =
            DecodeProfile(ini.readBytes(QStringLiteral("Adatbazis"), QStringLiteral("ConStr%1").arg(n)));
        const QString name = SeparatedPiece(u";", profile, 6);
        if (name.isEmpty()) continue;
        list << ProfileEntry{n, QString::number(n) + QStringLiteral("; ") + name, profile,
                             ProfileOptions::read(ini, n)};
    }
    return list;
}

void LoadSettings(const IniFile& ini, TBeall& s, QRect& mainBounds) {
    const QString sec = QStringLiteral("Alapertek");
    // Beside the configuration file: the executable's folder when the file stands there, and never a
    // system folder such as /usr/bin that the user cannot write.
    s.htmlUt = ini.readText(sec, QStringLiteral("HtmlUt"), ConfigDirectory() + QStringLiteral("/Html"));
    s.betumeret = ini.readInt(sec, QStringLiteral("Betumeret"), 9);
    if (s.betumeret < 8 || s.betumeret > 10) s.betumeret = 9;
    s.alapVaros = ini.readText(sec, QStringLiteral("AlapVaros"), {});
    s.teljesKep = ini.readBool(sec, QStringLiteral("TeljesKep"), true);
    s.formatFt = ini.readText(sec, QStringLiteral("FormatFt"), QStringLiteral("### ### ##0"));
    s.formatDb = ini.readText(sec, QStringLiteral("FormatDb"), QStringLiteral("### ### ##0"));
    mainBounds = QRect(
        ini.readInt(sec, QStringLiteral("Bal"), 5), ini.readInt(sec, QStringLiteral("Felul"), 5),
        ini.readInt(sec, QStringLiteral("Szeles"), 640), ini.readInt(sec, QStringLiteral("Magas"), 400));
}

void SaveSettings(IniFile& ini, const TBeall& s, const QRect& b) {
    const QString sec = QStringLiteral("Alapertek");
    ini.writeInt(sec, QStringLiteral("Betumeret"), s.betumeret);
    ini.writeText(sec, QStringLiteral("HtmlUt"), s.htmlUt);
    ini.writeBool(sec, QStringLiteral("TeljesKep"), s.teljesKep);
    ini.writeText(sec, QStringLiteral("AlapVaros"), s.alapVaros);
    ini.writeText(sec, QStringLiteral("FormatFt"), s.formatFt);
    ini.writeText(sec, QStringLiteral("FormatDb"), s.formatDb);
    ini.writeInt(sec, QStringLiteral("Bal"), b.x());
    ini.writeInt(sec, QStringLiteral("Felul"), b.y());
    ini.writeInt(sec, QStringLiteral("Magas"), b.height());
    ini.writeInt(sec, QStringLiteral("Szeles"), b.width());
}

QString FormatFt(double amount) {
    return FormatNumeric(Beall.formatFt, amount);
}
QString FormatDb(double quantity) {
    return FormatNumeric(Beall.formatDb, quantity);
}
