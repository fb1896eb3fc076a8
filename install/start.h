#pragma once
// Clicked event of the install button.
void OnInstallClicked();
