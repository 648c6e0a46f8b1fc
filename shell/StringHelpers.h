#pragma once
// Text routines used by every window: fields of list lines, padding, trimming, numbers and
// paths. Positions count from 1; 0 is "no position".
//
// Paths: besides the backslash of stored Windows paths, '/' separates folders. A colon is
// a path delimiter only as a drive colon (second character, behind a letter), because on
// Linux a colon is an ordinary character of a file name.
#include <QString>

// True when S holds a number; R gets the value, or on failure the position of the first
// character the conversion does not accept. R is unchanged for an empty or blank S.
bool TextToFloat(const QString& s, double& r);
QString PrepareNumberText(const QString& s);
// R right-aligned in W characters with D decimals (point as separator); D < 0: exponent form.
QString FloatToTextFixed(double r, unsigned char w, signed char d);
QString PadRightWithChar(const QString& s, QChar c, int length);
QString PadLeftWithChar(const QString& s, QChar c, int length);
QString TrimTrailingBlanks(const QString& s);  // every trailing character of code <= 32
QString TrimBlanks(const QString& s);          // spaces only, both ends
bool CharInString(const QString& s, QChar c);
int CountWords(const QString& s, const QString& delimiters);
bool WordStartPosition(unsigned n, const QString& s, const QString& delimiters, int& p);
QString ExtractWordN(unsigned n, const QString& s, const QString& delimiters);
QString FileNamePart(const QString& path);
QString FileBaseName(const QString& path);
QString DirectoryPart(const QString& path);
// Appends "\" to a Windows-style folder, "/" to a native one (one that holds '/').
QString AddTrailingBackslash(const QString& path);
bool HasFileExtension(const QString& name, int& p);
bool FirstCharPosition(const QString& s, QChar c, int& p);
