#include "RegFns.h"

#include "SettingsKeys.h"
#include "engine/Errors.h"
#include "engine/NumberFns.h"

#include <QDir>
#include <QSettings>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace quillon {

namespace {

TAppRegistry* gDefaultAppRegistry = nullptr;
std::string gStoreFolder;

std::string_view TrimBlanks(std::string_view s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= 32) ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32) --e;
    return s.substr(b, e - b);
}

bool SameText(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
        if (x != y) return false;
    }
    return true;
}

QString QStr(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

QString KeyOf(std::string_view section, std::string_view ident)
{
    return section.empty() ? QStr(ident) : QStr(section) + QLatin1Char('/') + QStr(ident);
}

// "\Software\Borvik\Quillon\" names the company "Borvik" and the application
// "Quillon"; on Windows QSettings puts them below Software again.
void SplitKeyPath(const std::string& path, QString& organization, QString& application)
{
    std::vector<std::string> parts;
    std::string part;
    for (char c : path + "\\") {
        if (c == '\\') {
            if (!part.empty()) parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    if (!parts.empty() && SameText(parts.front(), "Software")) parts.erase(parts.begin());
    organization = parts.empty() ? QString() : QStr(parts.front());
    QStringList rest;
    for (std::size_t i = 1; i < parts.size(); ++i) rest << QStr(parts[i]);
    application = rest.join(QLatin1Char('/'));
}

} // namespace

std::string NormalizeCompanyKey(std::string_view value)
{
    if (value.empty()) return "\\";
    std::string key(TrimBlanks(value));
    if (key.empty() || key.back() != '\\') key += '\\';
    if (key.front() != '\\') key.insert(key.begin(), '\\');
    return key;
}

std::string NormalizeApplicationKey(std::string_view value)
{
    if (value.empty()) return {};
    std::string key(TrimBlanks(value));
    if (key.empty() || key.back() != '\\') key += '\\';
    if (key.front() == '\\') key.erase(key.begin());
    return key;
}

// TRegIniFile

TRegIniFile::TRegIniFile(std::unique_ptr<QSettings> settings) : FSettings(std::move(settings)) {}

TRegIniFile::~TRegIniFile() = default;

std::optional<std::string> TRegIniFile::Value(std::string_view section, std::string_view ident) const
{
    QVariant v = FSettings->value(KeyOf(section, ident));
    if (!v.isValid()) return std::nullopt;
    // A hand-edited INI value with commas reads back as a list.
    if (v.typeId() == QMetaType::QStringList) return v.toStringList().join(QLatin1Char(',')).toStdString();
    return v.toString().toStdString();
}

std::string TRegIniFile::ReadString(std::string_view section, std::string_view ident, std::string_view fallback) const
{
    auto v = Value(section, ident);
    return v ? *v : std::string(fallback);
}

int TRegIniFile::ReadInteger(std::string_view section, std::string_view ident, int fallback) const
{
    auto v = Value(section, ident);
    return v ? StrToIntDef(*v, fallback) : fallback;
}

bool TRegIniFile::ReadBool(std::string_view section, std::string_view ident, bool fallback) const
{
    return ReadInteger(section, ident, fallback ? 1 : 0) != 0;
}

double TRegIniFile::ReadFloat(std::string_view section, std::string_view ident, double fallback) const
{
    auto v = Value(section, ident);
    return v ? StrToFloat(*v) : fallback;
}

void TRegIniFile::WriteString(std::string_view section, std::string_view ident, std::string_view value)
{
    FSettings->setValue(KeyOf(section, ident), QStr(value));
    // Other stores of this process and later runs see the value at once.
    FSettings->sync();
}

void TRegIniFile::WriteInteger(std::string_view section, std::string_view ident, int value)
{
    WriteString(section, ident, Format("%d", {value}));
}

void TRegIniFile::WriteBool(std::string_view section, std::string_view ident, bool value)
{
    WriteString(section, ident, value ? "1" : "0");
}

void TRegIniFile::WriteFloat(std::string_view section, std::string_view ident, double value)
{
    WriteString(section, ident, Format("%16e", {value}));
}

bool TRegIniFile::SectionExists(std::string_view section) const
{
    return FSettings->childGroups().contains(QStr(section));
}

bool TRegIniFile::ValueExists(std::string_view section, std::string_view ident) const
{
    return FSettings->contains(KeyOf(section, ident));
}

void TRegIniFile::EraseSection(std::string_view section)
{
    FSettings->remove(QStr(section));
    FSettings->sync();
}

std::string TRegIniFile::FileName() const { return FSettings->fileName().toStdString(); }

// TAppRegistry

TAppRegistry::TAppRegistry()
{
    if (!gDefaultAppRegistry) gDefaultAppRegistry = this;
}

TAppRegistry::~TAppRegistry()
{
    Close();
    if (gDefaultAppRegistry == this) gDefaultAppRegistry = nullptr;
}

TAppRegistry* DefaultAppRegistry() { return gDefaultAppRegistry; }

void TAppRegistry::SetStoreFolder(const std::string& folder) { gStoreFolder = folder; }

std::string TAppRegistry::StoreFolder() { return gStoreFolder; }

void TAppRegistry::Close() { FReg.reset(); }

void TAppRegistry::SetInitialRoot(TRootKey value)
{
    if (value == FInitialRoot) return;
    FInitialRoot = value;
    Close();
}

void TAppRegistry::SetCompanyKey(std::string_view value)
{
    std::string key = NormalizeCompanyKey(value);
    if (SameText(key, FCompanyKey)) return;
    FCompanyKey = std::move(key);
    Close();
}

void TAppRegistry::SetApplicationKey(std::string_view value)
{
    std::string key = NormalizeApplicationKey(value);
    if (SameText(key, FApplicationKey)) return;
    FApplicationKey = std::move(key);
    Close();
}

TRegIniFile& TAppRegistry::Registry()
{
    if (FReg) return *FReg;
    QSettings::Scope scope = QSettings::UserScope;
    switch (FInitialRoot) {
    case rkCurrentUser:
        break;
    case rkClassesRoot:
    case rkLocalMachine:
    case rkUsers:
    case rkCurrentConfig:
        scope = QSettings::SystemScope;
        break;
    default:
        throw EQuillonError("Bad root key value");
    }
    QString organization, application;
    SplitKeyPath(FCompanyKey + FApplicationKey, organization, application);
    std::unique_ptr<QSettings> settings;
    if (gStoreFolder.empty()) {
        settings = std::make_unique<QSettings>(QSettings::NativeFormat, scope, organization, application);
    } else {
        QString dir = QString::fromStdString(gStoreFolder);
        if (scope == QSettings::SystemScope) dir += QStringLiteral("/system");
        QString file = dir + QLatin1Char('/') + (organization.isEmpty() ? QStringLiteral("Unknown Organization") : organization) +
                       QLatin1Char('/') + (application.isEmpty() ? organization : application) + QStringLiteral(".conf");
        settings = std::make_unique<QSettings>(QDir::cleanPath(file), QSettings::IniFormat);
    }
    FReg.reset(new TRegIniFile(std::move(settings)));
    return *FReg;
}

void TAppRegistry::SavePlacement(const IPlacementForm& form, std::string_view key)
{
    std::string section = key.empty() ? form.Name() : std::string(key);
    TFormBounds r = form.NormalBounds();
    TRegIniFile& reg = Registry();
    reg.WriteInteger(section, settings::KeyLeft, r.Left);
    reg.WriteInteger(section, settings::KeyTop, r.Top);
    reg.WriteInteger(section, settings::KeyWidth, r.Width);
    reg.WriteInteger(section, settings::KeyHeight, r.Height);
    reg.WriteInteger(section, settings::KeyMonitor, form.MonitorIndex());
}

void TAppRegistry::LoadPlacement(IPlacementForm& form, std::string_view key, TPlacementOptions options)
{
    std::string section = key.empty() ? form.Name() : std::string(key);
    TRegIniFile& reg = Registry();
    TFormBounds current = form.Bounds();
    if (!reg.SectionExists(section)) {
        // Centred as if the main form stood at the screen origin.
        if (auto main = form.MainFormSize()) {
            TFormBounds b = current;
            b.Left = std::max(0, (main->Width - current.Width) / 2);
            b.Top = std::max(0, (main->Height - current.Height) / 2);
            form.SetBounds(b);
        }
        return;
    }
    std::int64_t l = current.Left, t = current.Top, w = current.Width, h = current.Height;
    if (options.Contains(poPosition)) {
        l = reg.ReadInteger(section, settings::KeyLeft, current.Left);
        t = reg.ReadInteger(section, settings::KeyTop, current.Top);
    }
    if (options.Contains(poSize)) {
        // A hand-edited size below one pixel would hide the window: keep the current one.
        int storedWidth = reg.ReadInteger(section, settings::KeyWidth, current.Width);
        int storedHeight = reg.ReadInteger(section, settings::KeyHeight, current.Height);
        if (storedWidth > 0) w = storedWidth;
        if (storedHeight > 0) h = storedHeight;
    }
    // Keep at least half of the window on the first monitor.
    if (form.MonitorIndex() == 0) {
        TFormSize monitor = form.MonitorSize();
        if (l + w < w / 2) l = 0;
        if (t + h < h / 2) t = 0;
        if (monitor.Width - w / 2 < l) l = monitor.Width - w;
        if (monitor.Height - h / 2 < t) t = monitor.Height - h;
    }
    TFormBounds b{static_cast<int>(l), static_cast<int>(t), static_cast<int>(w), static_cast<int>(h)};
    form.SetBounds(b);
}

} // namespace quillon
