#ifndef INPUT_ATTACH_H
#define INPUT_ATTACH_H

// Joins input to the pipeline: the main window's messages go to the input window procedure;
// the pipeline's start makes the mouse (buttons from the window), the keyboard, the joysticks
// and the pads, its message pump polls them, and its close shuts them down. Called once by the
// engine's start-up before the pipeline starts.
void inpAttachToPipeline();

#endif
