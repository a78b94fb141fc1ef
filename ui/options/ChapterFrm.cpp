#include "ui/options/ChapterFrm.h"

#include <QtWidgets/QLineEdit>

#include <cassert>
#include <cmath>

#include "engine/Errors.h"
#include "engine/NumberFns.h"
#include "persist/RegFns.h"

namespace quillon {

TChapterFrame::TChapterFrame(QWidget* Parent) : QWidget(Parent) {}

void TChapterFrame::DoAction(TOptionsAction Action)
{
    // The frame fills its chapter panel from the top; the dialog's layout
    // does the aligning.
    (void)Action;
}

TRegIniFile* TChapterFrame::Registry() const
{
    TAppRegistry* store = DefaultAppRegistry();
    return store ? &store->Registry() : nullptr;
}

IOptionsHost& TChapterFrame::Host() const
{
    assert(FHost && "chapter frame used without a host");
    return *FHost;
}

bool TChapterFrame::Check(QLineEdit* Edit, bool Silent, int MinValue, int MaxValue)
{
    const std::optional<int> value = TryStrToInt(Edit->text().toStdString());
    const bool valid = value && MinValue <= *value && *value <= MaxValue;
    if (!valid) {
        RequestFocus(Edit);
        if (!Silent) {
            if (!value)
                throw EConvertError("Invalid integer value.");
            throw ERangeError(Format("Value out of range (%d..%d).", {MinValue, MaxValue}));
        }
    }
    return valid;
}

bool TChapterFrame::Check(QLineEdit* Edit, bool Silent, double MinValue, double MaxValue)
{
    const std::optional<double> value = TryStrToFloat(Edit->text().toStdString());
    const bool valid = value && (std::isnan(MinValue) || *value >= MinValue) &&
                       (std::isnan(MaxValue) || *value <= MaxValue);
    if (!valid) {
        RequestFocus(Edit);
        if (!Silent) {
            if (!value)
                throw EConvertError("Invalid floating point value.");
            throw ERangeError("Value out of range.");
        }
    }
    return valid;
}

double TChapterFrame::StrToDouble(QLineEdit* Edit)
{
    const std::optional<double> value = TryStrToFloat(Edit->text().toStdString());
    if (!value) {
        RequestFocus(Edit);
        throw EConvertError("Invalid floating point value.");
    }
    return *value;
}

void TChapterFrame::RequestFocus(QWidget* Widget)
{
    FFocusRequest = Widget;
    if (isVisible())
        ApplyFocusRequest();
}

void TChapterFrame::ApplyFocusRequest()
{
    if (!FFocusRequest || !isVisible())
        return;
    QWidget* widget = FFocusRequest.data();
    FFocusRequest.clear();
    widget->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(widget))
        edit->selectAll();
}

void TChapterFrame::showEvent(QShowEvent* Event)
{
    QWidget::showEvent(Event);
    ApplyFocusRequest();
}

void TChapterFrame::LoadNumber(QLineEdit* Edit, const QString& Text, double Exact)
{
    Edit->setText(Text);
    FLoaded[Edit] = TLoadedNumber{Text, Exact};
}

bool TChapterFrame::LoadedNumber(QLineEdit* Edit, double& Exact) const
{
    const auto it = FLoaded.find(Edit);
    if (it == FLoaded.end() || it->second.Text != Edit->text())
        return false;
    Exact = it->second.Exact;
    return true;
}

double TChapterFrame::NumberOf(QLineEdit* Edit)
{
    double exact = 0;
    if (LoadedNumber(Edit, exact))
        return exact;
    return StrToDouble(Edit);
}

} // namespace quillon
