#pragma once
// The "Algorithm" chapter: the step limit and the escape limit as exact
// numbers, with wider ranges than the control bar's track bars.
#include "ui/options/ChapterFrm.h"

class QGroupBox;

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

private:
    IAlgorithmChapterHost& AlgorithmHost() const;
};

void RegisterAlgorithmChapter();

} // namespace quillon
