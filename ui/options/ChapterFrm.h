#pragma once
// The base of every options chapter: one action protocol (create, load,
// check, store) and the checks of edit fields with their messages.
#include <QtCore/QPointer>
#include <QtCore/QString>
#include <QtWidgets/QWidget>

#include <map>

class QLineEdit;

namespace quillon {

class IOptionsHost;
class TRegIniFile;

enum TOptionsAction : int { oaCreating, oaLoading, oaChecking, oaStoring };

class TChapterFrame : public QWidget {
    Q_OBJECT

public:
    explicit TChapterFrame(QWidget* Parent = nullptr);

    // Every chapter calls the base version first.
    virtual void DoAction(TOptionsAction Action);

    // The per-user settings store, or none when the program has no store.
    TRegIniFile* Registry() const;

    // The main window's settings the chapter edits; set by the dialog
    // before the frame's first action.
    IOptionsHost& Host() const;
    void SetHost(IOptionsHost* Value) { FHost = Value; }

    // The text of Edit as an integer within MinValue..MaxValue. When it is
    // not, the focus is requested for Edit and, unless Silent, the check
    // fails with "Invalid integer value." or "Value out of range (%d..%d).".
    bool Check(QLineEdit* Edit, bool Silent, int MinValue, int MaxValue);
    // As a number within MinValue..MaxValue (a NaN bound is no bound):
    // "Invalid floating point value." or "Value out of range.".
    bool Check(QLineEdit* Edit, bool Silent, double MinValue, double MaxValue);
    // The number in Edit; "Invalid floating point value." with the focus
    // requested for Edit when it is none.
    double StrToDouble(QLineEdit* Edit);

    // Gives Widget the focus now, or when this frame is shown next.
    void RequestFocus(QWidget* Widget);
    void ApplyFocusRequest();
    QWidget* FocusRequest() const { return FFocusRequest.data(); }

protected:
    void showEvent(QShowEvent* Event) override;

    // Number fields keep the exact value they were loaded with while their
    // text stays as loaded: writing the shortened text back would move a
    // deep view or cut a limit the user never touched.
    void LoadNumber(QLineEdit* Edit, const QString& Text, double Exact);
    // True (and Exact set) when Edit still shows the text it was loaded with.
    bool LoadedNumber(QLineEdit* Edit, double& Exact) const;
    // The loaded value while the text is unchanged, otherwise StrToDouble.
    double NumberOf(QLineEdit* Edit);

private:
    struct TLoadedNumber {
        QString Text;
        double Exact = 0;
    };

    IOptionsHost* FHost = nullptr;
    QPointer<QWidget> FFocusRequest;
    std::map<const QLineEdit*, TLoadedNumber> FLoaded;
};

} // namespace quillon
