#ifndef BANK_FILEDIALOG_H
#define BANK_FILEDIALOG_H

// The common open (save false) or save dialog, starting in the asset root, for files matching
// the filter (e.g. "*.bfg"); description names the filter in the dialog (the filter itself when
// null). Returns the chosen path in a static buffer, or null when the user cancels.
const char* bkGetFileName(const char* filter, bool save, const char* description);

#endif
