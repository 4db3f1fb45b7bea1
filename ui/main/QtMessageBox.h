#pragma once
// The editor's message-box handler: the core's questions as Qt message boxes.

// Installs it for the rest of the run.
void InstallQtMessageBoxes();
