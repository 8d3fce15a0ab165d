#ifndef CITYEDIT_RGLDRAWERS_H
#define CITYEDIT_RGLDRAWERS_H

// The game modules draw through seams of their own (AI roads, room emitters, paths, physics
// debug lines), each with an installer for its immediate-mode drawer. The editor's start-up
// installs them all with this one call, after the pipeline is set up.
void lvlUseRglDrawers();

#endif
