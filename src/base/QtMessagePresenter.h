#pragma once

// Makes ShowMessage show real modal QMessageBoxes, parented to the active window.
// Call once after the QApplication exists.
void InstallQtMessagePresenter();
