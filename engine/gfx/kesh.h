#ifndef GFX_KESH_H
#define GFX_KESH_H

#include <windows.h>
#include <ddraw.h>
#include <d3d.h>

// The program's own software Direct3D 7 device over a 16-bit system-memory target with an
// optional 16-bit depth buffer attached to it. There is one device at a time; it draws
// pre-transformed vertices (format 0x1C4) as triangle lists, strips and fans.

const HRESULT keshNotImplemented = (HRESULT)0x80004001;
const HRESULT keshSecondDevice = (HRESULT)0x88760005;
const HRESULT keshUnsupportedTarget = (HRESULT)0x88760250;

// Stores the static device in device and initialises it on the target.
HRESULT CreateKeshDevice(IDirectDrawSurface7* target, IDirect3DDevice7** device);

#endif
