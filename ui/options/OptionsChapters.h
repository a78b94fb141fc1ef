#pragma once
// Registers the program's chapters, once per process: Algorithm, View,
// Palette, Effects in list order.
namespace quillon {

void RegisterOptionsChapters();

} // namespace quillon
