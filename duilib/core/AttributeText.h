#pragma once

#include <windows.h>

// The number, list, colour and boolean syntax of skin attributes. Pure
// functions of their text; a null text reads as "".
namespace DuiLib {

// A decimal integer with optional sign, read as far as digits reach (0 when
// none). `end`, when given, receives the first unread character.
int ParseInt(const wchar_t* text, const wchar_t** end = nullptr);

// `count` integers separated by one character each ("10,10,0,0"): after each
// number exactly one character is skipped, never past the end of the text;
// missing trailing numbers are 0.
void ParseIntList(const wchar_t* text, int* values, int count);
RECT ParseRect(const wchar_t* text);  // l,t,r,b
SIZE ParseSize(const wchar_t* text);  // cx,cy
// Border sizes: one number for all four sides, or l,t,r,b when the text
// holds a comma.
RECT ParseBorderSize(const wchar_t* text);

// Four decimal fractions l,t,r,b for float positioning, separated likewise.
void ParseDoubleList(const wchar_t* text, double* values, int count);

// A colour 0xAARRGGBB: with `skipBlanks`, leading characters up to and
// including blanks are skipped; then one '#' is skipped and the rest is read
// as hexadecimal (as far as hexadecimal digits reach; 0 when none).
DWORD ParseColor(const wchar_t* text, bool skipBlanks = false);

// True exactly for "true" (case-sensitive).
bool ParseBool(const wchar_t* text);

// The platform's 0x00BBGGRR form of a colour, alpha dropped.
inline COLORREF ToColorRef(DWORD argb) {
  return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

}  // namespace DuiLib
