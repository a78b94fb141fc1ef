// Registers the icons and cursors of this static library. The macro must be
// used outside any namespace.
#include <QtCore/QtGlobal>

static void InitQuillonResources()
{
    Q_INIT_RESOURCE(quillon);
}

namespace quillon {

void InitResources()
{
    static const bool done = (InitQuillonResources(), true);
    (void)done;
}

} // namespace quillon
