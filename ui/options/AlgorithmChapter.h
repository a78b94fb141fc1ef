#pragma once
// The "Algorithm" chapter: the step limit and the escape limit as exact
// numbers, with wider ranges than the control bar's track bars; the set shown
// and the Julia point typed.
#include "ui/options/ChapterFrm.h"

class QGroupBox;
class QRadioButton;

namespace quillon {

class IAlgorithmChapterHost;

class TChapterFrameAlgorithm : public TChapterFrame {
    Q_OBJECT

public:
    explicit TChapterFrameAlgorithm(QWidget* Parent = nullptr);

    void DoAction(TOptionsAction Action) override;

    QGroupBox* GroupBoxIteration = nullptr;
    QLineEdit* EditMaxSteps = nullptr;
    QLineEdit* EditMaxAbs = nullptr;
    QGroupBox* GroupBoxSet = nullptr;
    QRadioButton* RadioMandelbrot = nullptr;
    QRadioButton* RadioJulia = nullptr;
    QLineEdit* EditJuliaX = nullptr;
    QLineEdit* EditJuliaY = nullptr;

    // The largest magnitude a typed Julia point part may have: beyond the
    // widest escape radius every point escapes at once.
    static constexpr double JuliaPartLimit = 100.0;

private:
    IAlgorithmChapterHost& AlgorithmHost() const;
};

void RegisterAlgorithmChapter();

} // namespace quillon
