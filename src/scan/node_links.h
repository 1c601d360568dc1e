#pragma once
// Parent links of a result tree and the questions they answer.

#include "scan/scan_node.h"

namespace tundrel {

enum class LinkDepth { ChildrenOnly, WholeSubtree };

// Points every child's `parent` at `node`; with WholeSubtree also below every child.
void LinkParents(ScanNode& node, LinkDepth depth);

// Sets the links that moving the node's children invalidated: the children's own link and
// that of their children (a record that moves takes its child array with it, but the
// grandchildren still point at the old place).
void RelinkMovedChildren(ScanNode& node);

// The node reached by following `parent` until there is none (the root folder).
const ScanNode& TopAncestor(const ScanNode& node);

// True when `node`'s name is the very same pooled string as the name of `start` or of one of
// its ancestors: attaching `node` below `start` would then make a directory loop. Unnamed
// nodes never match.
bool NameOccursAmongAncestors(const ScanNode& start, const ScanNode& node);

}  // namespace tundrel
