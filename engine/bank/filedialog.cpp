#include "bank/filedialog.h"

#include <cstring>
#include <string>

#include "bank/dialogseam.h"
#include "data/asset.h"

namespace {

BOOL RealFileDialog(OPENFILENAMEA* dialog, bool save) {
    return save ? GetSaveFileNameA(dialog) : GetOpenFileNameA(dialog);
}

bkFileDialogFunc sFileDialog = RealFileDialog;

// Backslashes throughout and no trailing separator.
void ToDirectory(char* path) {
    size_t length = strlen(path);
    if (length > 0 && (path[length - 1] == '/' || path[length - 1] == '\\')) {
        path[length - 1] = 0;
    }
    for (char* c = path; *c; ++c) {
        if (*c == '/') {
            *c = '\\';
        }
    }
}

// The dialog reads and writes the file name in place, at most size characters with the
// terminator; a longer choice fails as if cancelled.
bool RunDialog(char* file, int size, const char* startDir, const char* filter, bool save,
               const char* description) {
    // Description, filter, then "All Files" and "*.*", each closed by a NUL, and a final NUL.
    std::string filterText;
    filterText.append(description ? description : filter).append(1, '\0');
    filterText.append(filter).append(1, '\0');
    filterText.append("All Files").append(1, '\0');
    filterText.append("*.*").append(3, '\0');

    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = GetActiveWindow();
    dialog.lpstrFilter = filterText.c_str();
    dialog.lpstrFile = file;
    dialog.nMaxFile = DWORD(size);
    dialog.lpstrInitialDir = startDir;
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
    return sFileDialog(&dialog, save) != FALSE;
}

}  // namespace

bkFileDialogFunc bkSetFileDialogFunc(bkFileDialogFunc function) {
    bkFileDialogFunc previous = sFileDialog;
    sFileDialog = function ? function : RealFileDialog;
    return previous;
}

const char* bkGetFileName(const char* filter, bool save, const char* description) {
    static char result[128];

    // The root alone: no directory, an empty name and no extension.
    char startDir[datAssetManager::MaxName];
    datAssetManager::FullPath(startDir, sizeof(startDir), nullptr, "", nullptr);
    ToDirectory(startDir);

    // Propose the previous choice without its extension; a dot of a directory name stays.
    char* dot = strrchr(result, '.');
    if (dot && !strchr(dot, '\\') && !strchr(dot, '/')) {
        *dot = 0;
    }
    bool chosen = RunDialog(result, sizeof(result), startDir, filter, save, description);
    return chosen ? result : nullptr;
}

bool bkFileDialog(char* buffer, int size, const char* filter, bool save,
                  const char* description) {
    if (size <= 0) {
        return false;
    }
    ToDirectory(buffer);
    if (strcmp(buffer, ".") == 0) {
        char current[MAX_PATH];
        DWORD length = GetCurrentDirectoryA(sizeof(current), current);
        if (length > 0 && length < DWORD(size) && length < sizeof(current)) {
            strcpy(buffer, current);
        }
    }
    // The dialog writes the name into the buffer while it still reads the start directory.
    std::string startDir(buffer);
    return RunDialog(buffer, size, startDir.c_str(), filter, save, description);
}
