#ifndef DATA_DECIMAL_H
#define DATA_DECIMAL_H

// The number tokens of text files, read without the C library's per-call cost. Both read a
// leading '-' and digits and ignore what follows the number, as atoi and atof do.

// atoi's value for every number of at most 32 bits, wrapped as atoi wraps it, so that ids and
// flags written unsigned read back whole. A longer number stays at INT_MAX or INT_MIN instead
// of wrapping to an arbitrary value, so that range checks see it.
int DecimalToInt(const char* text);

// Exactly (float)atof(text): a plain decimal whose digits fit a double and that has at most
// 22 decimals is one correctly rounded division; everything else goes to atof.
float DecimalToFloat(const char* text);

#endif
