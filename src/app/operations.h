#pragma once
// Every operation the program offers at its dispatch point. Each library
// that brings transfers registers them here, under the names the screens and
// the command script use.
class TfmMOX;

// Registers them at the window's dispatch point; the operations that work on
// the screens or open windows over the main window are given the window.
void registerOperations(TfmMOX &window);
