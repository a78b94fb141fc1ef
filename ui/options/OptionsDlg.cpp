#include "ui/options/OptionsDlg.h"

#include <QtWidgets/QFrame>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QListWidget>
#include <QtWidgets/QVBoxLayout>

#include <algorithm>
#include <memory>

#include "persist/RegFns.h"
#include "persist/SettingsKeys.h"
#include "ui/common/ErrorReport.h"

namespace quillon {

TChapterInfoList& RegisteredChapters()
{
    static TChapterInfoList chapters;
    return chapters;
}

void InsertChapterInfo(TChapterInfoList& List, TChapterInfo Info)
{
    const auto at = std::find_if(List.begin(), List.end(),
                                 [&Info](const TChapterInfo& entry) { return entry.Order > Info.Order; });
    List.insert(at, std::move(Info));
}

// ---------------------------------------------------------------------------

TCustomOptionsDialog::TCustomOptionsDialog(IOptionsHost& Host, QWidget* Parent)
    : TCustomDialog(Parent), FHost(Host)
{
    setWindowTitle(tr("Options"));

    auto* clientLayout = new QVBoxLayout(ClientArea);
    clientLayout->setContentsMargins(0, 0, 0, 0);
    PanelControls = new QWidget(ClientArea);
    PanelControls->setObjectName(QStringLiteral("PanelControls"));
    clientLayout->addWidget(PanelControls);

    auto* controlsLayout = new QHBoxLayout(PanelControls);
    controlsLayout->setContentsMargins(0, 0, 0, 0);
    controlsLayout->setSpacing(0);
    ListBoxChapters = new QListWidget(PanelControls);
    ListBoxChapters->setObjectName(QStringLiteral("ListBoxChapters"));
    ListBoxChapters->setFixedWidth(146);
    ListBoxChapters->setUniformItemSizes(true);
    controlsLayout->addWidget(ListBoxChapters);

    auto* chapterSide = new QWidget(PanelControls);
    auto* sideLayout = new QVBoxLayout(chapterSide);
    sideLayout->setContentsMargins(0, 0, 0, 0);
    sideLayout->setSpacing(0);
    PanelChapter = new QWidget(chapterSide);
    PanelChapter->setObjectName(QStringLiteral("PanelChapter"));
    auto* chapterLayout = new QVBoxLayout(PanelChapter);
    chapterLayout->setContentsMargins(4, 4, 4, 0);
    sideLayout->addWidget(PanelChapter, 1);
    Bevel1 = new QFrame(chapterSide);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setFixedHeight(7);
    sideLayout->addWidget(Bevel1);
    controlsLayout->addWidget(chapterSide, 1);

    // FormCreate: the chapter to show first, then one entry per chapter.
    if (TAppRegistry* store = DefaultAppRegistry())
        FFirstChapterVisible =
            store->Registry().ReadInteger(settings::SectionOptions, settings::KeyFirstChapterVisible, 0);
    // Below -1 only a hand-edited store can go; it means no chapter too.
    FFirstChapterVisible = std::max(FFirstChapterVisible, -1);
    for (const TChapterInfo& info : RegisteredChapters()) {
        auto* item = new QListWidgetItem(QStringLiteral(" ") + info.Caption, ListBoxChapters);
        item->setSizeHint(QSize(0, 18));
        FFrames.push_back(nullptr);
    }

    connect(ListBoxChapters, &QListWidget::currentRowChanged, this,
            [this](int Row) { RunReported([this, Row] { SetChapterIndex(Row); }); });
}

TCustomOptionsDialog::~TCustomOptionsDialog()
{
    if (TAppRegistry* store = DefaultAppRegistry()) {
        try {
            store->Registry().WriteInteger(settings::SectionOptions, settings::KeyFirstChapterVisible, FChapterIndex);
        } catch (const std::exception&) {
            // An unwritable store only forgets the chapter.
        }
    }
}

void TCustomOptionsDialog::RegisterChapterFrameClass(TChapterFrameClass ChapterFrameClass, const QString& Caption,
                                                     int Order)
{
    InsertChapterInfo(RegisteredChapters(), TChapterInfo{Caption, std::move(ChapterFrameClass), Order});
}

bool TCustomOptionsDialog::FindChapter(const QString& Text, TChapterInfo& Info)
{
    for (const TChapterInfo& entry : RegisteredChapters()) {
        if ((QStringLiteral(" ") + entry.Caption).compare(Text, Qt::CaseInsensitive) == 0) {
            Info = entry;
            return true;
        }
    }
    return false;
}

int TCustomOptionsDialog::ChapterCount() const
{
    return ListBoxChapters->count();
}

TChapterFrame* TCustomOptionsDialog::ChapterFrame(int Index) const
{
    if (Index < 0 || Index >= static_cast<int>(FFrames.size()))
        return nullptr;
    return FFrames[static_cast<std::size_t>(Index)];
}

void TCustomOptionsDialog::SetChapterIndex(int Value)
{
    Value = std::max(Value, -1);
    if (Value == FChapterIndex || Value >= ChapterCount())
        return;
    if (TChapterFrame* current = ChapterFrame(FChapterIndex))
        current->hide();
    if (Value != -1)
        GetChapterFrame(Value)->show();
    FChapterIndex = Value;
    const QSignalBlocker blocker(ListBoxChapters);
    ListBoxChapters->setCurrentRow(Value);
    if (Value == -1)
        ListBoxChapters->clearSelection();
}

TChapterFrame* TCustomOptionsDialog::GetChapterFrame(int Index)
{
    if (TChapterFrame* frame = ChapterFrame(Index))
        return frame;
    TChapterInfo info;
    if (!FindChapter(ListBoxChapters->item(Index)->text(), info))
        return nullptr;
    std::unique_ptr<TChapterFrame> frame(info.ChapterFrameClass(PanelChapter));
    frame->setObjectName(QStringLiteral("ChapterFrame") + info.Caption);
    frame->SetHost(&FHost);
    frame->hide();
    frame->DoAction(oaCreating);
    frame->DoAction(oaLoading);
    // Attached only once loaded: a frame that fails to load is not visited.
    PanelChapter->layout()->addWidget(frame.get());
    FFrames[static_cast<std::size_t>(Index)] = frame.get();
    return frame.release();
}

void TCustomOptionsDialog::DoAction(TOptionsAction State)
{
    for (int i = 0; i < ChapterCount(); ++i) {
        FCheckedFrameIndex = i;
        if (TChapterFrame* frame = ChapterFrame(i))
            frame->DoAction(State);
    }
}

void TCustomOptionsDialog::ButtonOkClick()
{
    try {
        DoAction(oaChecking);
    } catch (const std::exception& e) {
        ReportError(QString::fromUtf8(e.what()));
        SetChapterIndex(FCheckedFrameIndex);
        if (TChapterFrame* frame = ChapterFrame(FCheckedFrameIndex))
            frame->ApplyFocusRequest();
        return;
    }
    DoAction(oaStoring);
    done(QDialog::Accepted);
}

void TCustomOptionsDialog::showEvent(QShowEvent* Event)
{
    TCustomDialog::showEvent(Event);
    if (!FShown) {
        FShown = true;
        SetChapterIndex(FFirstChapterVisible);
    }
}

// ---------------------------------------------------------------------------

TOptionsDialog::TOptionsDialog(IOptionsHost& Host, QWidget* Parent) : TCustomOptionsDialog(Host, Parent)
{
    setObjectName(QStringLiteral("OptionsDialog"));
    SetFixedClientSize(556, 302);
    LoadPlacement();
}

bool TOptionsDialog::Execute(IOptionsHost& Host, QWidget* Parent)
{
    TOptionsDialog dialog(Host, Parent);
    return dialog.Execute();
}

} // namespace quillon
