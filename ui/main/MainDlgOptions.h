#pragma once
// The main window's "Options..." and "About..." commands.

namespace quillon {

class TAboutBox;
class TMainDialog;

// The window's About box (made on first use, owned by the window): caption
// "About", language $0409, three lines of terms and one link.
TAboutBox& MainAboutBox(TMainDialog& Window);

// Connects "Options..." (the options dialog on the window's session) and
// "About..." and makes both available.
void ConnectOptionsCommands(TMainDialog& Window);

} // namespace quillon
