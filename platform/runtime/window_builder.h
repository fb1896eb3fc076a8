#pragma once
// Builds the loaded window and its controls from a description table.

// Destroys the loaded window and releases the controls' fonts and pictures.
void DestroyLoadedWindow();
