#ifndef TOOLS_DEMOPICTURE_DEMOFRAME_H
#define TOOLS_DEMOPICTURE_DEMOFRAME_H

// One frame of a loaded city as the editor draws it: every room through its block where it
// has one, else through the room interpreter, and the extra models; used for the README's
// picture and by the test that draws the demo.

#include "vector/matrix34.h"

class lvlPSDL;

// From eye to target, upright.
Matrix34 DemoLookAt(const Vector3& eye, const Vector3& target);

// The editor's view on the open pipeline: its field of view and clip distances, its vertex
// format and batches. Once, after the pipeline has started.
void StartDemoView();

// Clears to the editor's background and draws the city from the camera, with back faces culled
// as the editor starts; with a shot file
// named, the frame is saved there as a bitmap when it ends.
void DrawDemoFrame(lvlPSDL& city, const Matrix34& camera, const char* shot = nullptr);

#endif
