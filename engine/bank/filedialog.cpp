#include "bank/filedialog.h"

#include <windows.h>
#include <commdlg.h>

#include <cstdio>
#include <cstring>

#include "data/asset.h"

const char* bkGetFileName(const char* filter, bool save, const char* description) {
    static char result[128];

    // The root alone: no directory, an empty name and no extension.
    char startDir[datAssetManager::MaxName];
    datAssetManager::FullPath(startDir, sizeof(startDir), nullptr, "", nullptr);
    size_t length = strlen(startDir);
    if (length > 0 && (startDir[length - 1] == '/' || startDir[length - 1] == '\\')) {
        startDir[length - 1] = 0;
    }
    for (char* c = startDir; *c; ++c) {
        if (*c == '/') {
            *c = '\\';
        }
    }

    // Propose the previous choice without its extension.
    if (char* dot = strrchr(result, '.')) {
        *dot = 0;
    }

    char filterText[256];
    snprintf(filterText, sizeof(filterText), "%s%c%s%cAll Files%c*.*%c%c%c",
             description ? description : filter, 0, filter, 0, 0, 0, 0, 0);

    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = GetActiveWindow();
    dialog.lpstrFilter = filterText;
    dialog.lpstrFile = result;
    dialog.nMaxFile = sizeof(result);
    dialog.lpstrInitialDir = startDir;
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
    BOOL chosen = save ? GetSaveFileNameA(&dialog) : GetOpenFileNameA(&dialog);
    return chosen ? result : nullptr;
}
