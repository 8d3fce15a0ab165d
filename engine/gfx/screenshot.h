#ifndef GFX_SCREENSHOT_H
#define GFX_SCREENSHOT_H

class gfxImage;

// Screen shots: a request is recorded and taken at the end of the next frame, after the frame
// was presented, so the picture is always a whole finished frame.

// The "Save Screen Shot..." button: asks for a ".bmp" name and requests a shot under it.
void gfxScreenShotButton();
// A null name does nothing; a second request before the shot replaces the first.
void RequestScreenShot(const char* name);
bool gfxScreenShotPending();
// Called by the frame end while a shot is pending.
void gfxTakeScreenShot();

// An image of the target's size in the format of its colour depth; null for a depth no image
// format holds.
gfxImage* gfxCreateScreenImage();
// Copies the render target into the image; sets gfxUse565 from the target's layout.
void gfxCopyScreen(gfxImage* dest);

#endif
