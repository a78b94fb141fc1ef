// The options dialog under a memory limit. The limit is this program's own
// operator new and delete, which every allocation of the process goes
// through, Qt's included; that is why this test is a program of its own.
#include <QtTest/QtTest>

#include <QtWidgets/QComboBox>
#include <QtWidgets/QLineEdit>

#include <atomic>
#include <cstdlib>
#include <limits>
#include <new>

#include "resources/ResourcesInit.h"
#include "ui/common/QuillonApplication.h"
#include "ui/options/OptionsChapters.h"
#include "ui/options/ViewChapter.h"
#include "OptionsTestSupport.h"

// Allocations above the limit fail, as they do under a memory limit.
namespace {
std::atomic<std::size_t> AllocationLimit{std::numeric_limits<std::size_t>::max()};
}

void* operator new(std::size_t size)
{
    if (size > AllocationLimit.load(std::memory_order_relaxed))
        throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size)
{
    return operator new(size);
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace quillon::uitest {

class OptionsMemoryLimitTest : public QObject, private TOptionsFixture {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        MuteOffscreenPlatformNotes();
    }

    void init()
    {
        Begin();
    }

    void cleanup()
    {
        End();
    }

    // A size the memory cannot hold is refused with its size, and view and
    // size stay as they were.
    void aSizeTheMemoryCannotHoldChangesNothing()
    {
        TMainDialog& w = Window();
        w.Setup(TSize{400, 300}, V(-0.5, 0, 0.004));
        QTRY_VERIFY_WITH_TIMEOUT(!w.Running(), 10000);
        const TView view = w.View();
        auto dialog = OpenDialog();
        auto& chapter = Visit<TChapterFrameView>(*dialog, chView);
        chapter.EditSize->setEditText(QStringLiteral("65535x65535"));
        chapter.EditScale->setText(QStringLiteral("0.001"));
        AllocationLimit = std::size_t(1) << 30;
        PressOk(*dialog);
        AllocationLimit = std::numeric_limits<std::size_t>::max();
        QCOMPARE(FErrors, QStringList{QStringLiteral("Not enough memory for an image of 65535x65535.")});
        QVERIFY(dialog->isVisible());
        QCOMPARE(w.Size(), (TSize{400, 300}));
        QCOMPARE(w.View(), view);
        QCOMPARE(w.LockCount(), 0);
        // A size that fits goes in.
        chapter.EditSize->setEditText(QStringLiteral("320x200"));
        PressOk(*dialog);
        QCOMPARE(FErrors.size(), 1);
        QCOMPARE(w.Size(), (TSize{320, 200}));
        QCOMPARE(w.View().Scale, 0.001);
        w.SetRunning(false);
    }
};

} // namespace quillon::uitest

int main(int argc, char* argv[])
{
    quillon::TQuillonApplication app(argc, argv);
    quillon::InitResources();
    quillon::RegisterOptionsChapters();
    quillon::uitest::OptionsMemoryLimitTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "OptionsMemoryLimitTest.moc"
