// The window classes of the built-in library (TControl, TForm, TBUTTON,
// TEDIT, TLABEL, TCHECKBOX, TMEMO) and ProcessMessages, registered in three
// steps so that they keep their place in the library's order.
#pragma once

#include "script/script_engine.h"
#include "script/script_window_host.h"

namespace tamber::script {

struct WindowLibrary;

// Makes the library's state for this load (released by ClearScript) and
// registers TControl; host may be nullptr (windows are then refused).
WindowLibrary* RegisterControlClass(TIfPasScript& engine, ScriptWindowHost* host);
void RegisterProcessMessages(TIfPasScript& engine, WindowLibrary* lib);
void RegisterFormAndControls(TIfPasScript& engine, WindowLibrary* lib);

}  // namespace tamber::script
