#pragma once
// The main window's About box.

namespace quillon {

class TAboutBox;
class TMainDialog;

// The window's About box (made on first use, owned by the window): caption
// "About", language $0409, three lines of terms and one link.
TAboutBox& MainAboutBox(TMainDialog& Window);

} // namespace quillon
