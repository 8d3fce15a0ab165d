#ifndef INPUT_ATTACH_H
#define INPUT_ATTACH_H

// Joins input to the pipeline: the main window's messages go to the input window procedure;
// the pipeline's start makes the mouse (buttons from the window), the keyboard, the joysticks
// and the pads, its message pump polls them, and its close shuts them down; the in-window banks
// and the immediate-mode application's Escape read their keys from here. Called once by the
// engine's start-up before the pipeline starts.
void inpAttachToPipeline();

#endif
