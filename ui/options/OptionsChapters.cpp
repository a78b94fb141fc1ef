#include "ui/options/OptionsChapters.h"

#include "ui/options/AlgorithmChapter.h"
#include "ui/options/EffectsChapter.h"
#include "ui/options/PaletteChapter.h"
#include "ui/options/ViewChapter.h"

namespace quillon {

void RegisterOptionsChapters()
{
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    RegisterViewChapter();
    RegisterAlgorithmChapter();
    RegisterPaletteChapter();
    RegisterEffectsChapter();
}

} // namespace quillon
