#pragma once

#include <QString>
#include <optional>

// Small runtime services the forms expect from their environment.
namespace Vb {

// 15 twips a pixel at 96 dpi; Qt scales for high-dpi screens itself.
constexpr int twips(int t) { return t / 15; }
constexpr int pixelsToTwips(int px) { return px * 15; }

// The program's string table (ids 101..104: the status-bar prefixes).
QString stringTable(int id);

// The program's version, shown in captions as plain integers.
void setAppVersion(int major, int minor);
int appMajor();
int appMinor();

// Folder holding the program's data files (gprs.mdb): the program's own
// folder when gprs.mdb lies there, else <program folder>/../share/smstools.
// Overridable (tests, or a program that knows better); an empty text returns
// to the default.
QString appPath();
void setAppPath(const QString& path);

// Time of day in seconds since midnight, as single precision. Tests may fix
// it; std::nullopt returns to the clock (a VirtualClock while one exists).
float timeOfDay();
void setTimeOfDay(std::optional<float> seconds);

}  // namespace Vb
