#pragma once
// The per-user settings store. Values live below one application key
// (\Software\Borvik\Quillon for the program) in sections of named string
// values. On Windows that is the registry below HKEY_CURRENT_USER; elsewhere
// an INI file <company>/<application>.conf in the user's configuration folder
// ($XDG_CONFIG_HOME or ~/.config on Linux). Sections, value names and value
// texts are the same everywhere.
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class QSettings;

namespace quillon {

enum TRootKey : int { rkClassesRoot, rkCurrentUser, rkLocalMachine, rkUsers, rkCurrentConfig };

enum TPlacementOption : unsigned { poPosition, poSize };

class TPlacementOptions {
public:
    constexpr TPlacementOptions() = default;
    constexpr TPlacementOptions(std::initializer_list<TPlacementOption> options)
    {
        for (auto o : options) Include(o);
    }
    constexpr bool Contains(TPlacementOption o) const { return (FBits & Bit(o)) != 0; }
    constexpr TPlacementOptions& Include(TPlacementOption o) { FBits |= Bit(o); return *this; }
    constexpr TPlacementOptions& Exclude(TPlacementOption o) { FBits &= ~Bit(o); return *this; }

private:
    static constexpr unsigned Bit(TPlacementOption o) { return 1u << static_cast<unsigned>(o); }
    unsigned FBits = 0;
};

struct TFormBounds {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    friend bool operator==(const TFormBounds&, const TFormBounds&) = default;
};

struct TFormSize {
    int Width = 0;
    int Height = 0;
};

// What placement needs of a form; the windows implement it.
class IPlacementForm {
public:
    virtual ~IPlacementForm() = default;
    // The placement section when no key is given.
    virtual std::string Name() const = 0;
    virtual TFormBounds Bounds() const = 0;
    // The bounds the form has when restored (not maximized or minimized).
    virtual TFormBounds NormalBounds() const = 0;
    virtual void SetBounds(const TFormBounds& bounds) = 0;
    // Index of the monitor the form is on (0 is the first) and that monitor's size.
    virtual int MonitorIndex() const = 0;
    virtual TFormSize MonitorSize() const = 0;
    // The application's main form size; empty when there is none or this form is it.
    virtual std::optional<TFormSize> MainFormSize() const = 0;
};

// Access to the values below the application key. Every value is a string:
// integers in decimal, Booleans "1"/"0", floating point in "%16e" notation.
// Reading never creates anything; writing creates its section.
class TRegIniFile {
public:
    ~TRegIniFile();
    TRegIniFile(const TRegIniFile&) = delete;
    TRegIniFile& operator=(const TRegIniFile&) = delete;

    // The stored text, or the default when the value is missing.
    std::string ReadString(std::string_view section, std::string_view ident, std::string_view fallback) const;
    // The default also stands in for a text that is not an integer.
    int ReadInteger(std::string_view section, std::string_view ident, int fallback) const;
    // Read as an integer with default 1 or 0; any non-zero integer is true.
    bool ReadBool(std::string_view section, std::string_view ident, bool fallback) const;
    // A missing value gives the default; a text that is not a number fails
    // with the conversion error.
    double ReadFloat(std::string_view section, std::string_view ident, double fallback) const;

    void WriteString(std::string_view section, std::string_view ident, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view ident, int value);
    void WriteBool(std::string_view section, std::string_view ident, bool value);
    void WriteFloat(std::string_view section, std::string_view ident, double value);

    bool SectionExists(std::string_view section) const;
    bool ValueExists(std::string_view section, std::string_view ident) const;
    void EraseSection(std::string_view section);

    // Where the values are kept: a file path, or the registry path on Windows.
    std::string FileName() const;

private:
    friend class TAppRegistry;
    explicit TRegIniFile(std::unique_ptr<QSettings> settings);
    std::optional<std::string> Value(std::string_view section, std::string_view ident) const;

    std::unique_ptr<QSettings> FSettings;
};

class TAppRegistry {
public:
    // Root rkCurrentUser, company key "Software\", application key
    // "Application\". The first instance becomes DefaultAppRegistry.
    TAppRegistry();
    ~TAppRegistry();
    TAppRegistry(const TAppRegistry&) = delete;
    TAppRegistry& operator=(const TAppRegistry&) = delete;

    TRootKey InitialRoot() const { return FInitialRoot; }
    void SetInitialRoot(TRootKey value);
    const std::string& CompanyKey() const { return FCompanyKey; }
    // Trimmed, with a leading and a trailing "\"; empty gives "\".
    void SetCompanyKey(std::string_view value);
    const std::string& ApplicationKey() const { return FApplicationKey; }
    // Trimmed, with a trailing "\" and no leading one; empty stays empty.
    void SetApplicationKey(std::string_view value);

    // The store positioned at CompanyKey + ApplicationKey. Fails with
    // "Bad root key value" when InitialRoot is none of the known roots.
    TRegIniFile& Registry();

    // Writes Left, Top, Width, Height of the form's restored bounds and the
    // index of its monitor into section Key (the form's name when Key is empty).
    void SavePlacement(const IPlacementForm& form, std::string_view key = {});
    // Restores a stored placement, keeping at least half of the window on the
    // first monitor; without one, centres a dialog on the main form's size.
    void LoadPlacement(IPlacementForm& form, std::string_view key = {},
                       TPlacementOptions options = {poPosition, poSize});

    // Keeps every store of this process in Folder (for tests): files
    // <Folder>/<company>/<application>.conf, also on Windows. Empty restores
    // the platform's store. Affects stores opened afterwards.
    static void SetStoreFolder(const std::string& folder);
    static std::string StoreFolder();

private:
    void Close();

    TRootKey FInitialRoot = rkCurrentUser;
    std::string FCompanyKey = "Software\\";
    std::string FApplicationKey = "Application\\";
    std::unique_ptr<TRegIniFile> FReg;
};

// The first TAppRegistry created, or none once it is destroyed.
TAppRegistry* DefaultAppRegistry();

// Key normal forms, as the setters store them.
std::string NormalizeCompanyKey(std::string_view value);
std::string NormalizeApplicationKey(std::string_view value);

} // namespace quillon
