#pragma once
// The section tree pane of the dictionary and model dialogs.
#include "rw/Stream.h"

class QTreeWidget;

// Fills tree with the stream's sections, depth first, and expands the root.
void FillStreamTree(QTreeWidget* tree, RW::CStream& stream);
