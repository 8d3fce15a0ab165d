#ifndef BANK_FILEDIALOG_H
#define BANK_FILEDIALOG_H

// The common open (save false) or save dialog, starting in the asset root, for files matching
// the filter (e.g. "*.bfg"); description names the filter in the dialog (the filter itself when
// null). Returns the chosen path in a static buffer of 128 characters, which proposes the
// previous choice without its extension; null when the user cancels or the path does not fit.
const char* bkGetFileName(const char* filter, bool save, const char* description);

// The same dialog over the caller's buffer of the given size: on entry it names the start
// directory ("." for the current one), on success it holds the chosen path. False when the
// user cancels or the path does not fit.
bool bkFileDialog(char* buffer, int size, const char* filter, bool save,
                  const char* description);

#endif
