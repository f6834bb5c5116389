#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/duilib/DibCanvas.h"

// Reads the update window the way a user meets it, from any thread or
// process: finds the window of class "MainWindow", copies its client area off
// the screen (GetDC + BitBlt) and acts on it with posted messages.
namespace UpdateProbe {

constexpr int kWidth = 500;
constexpr int kHeight = 310;
constexpr DWORD kBarFill = 0x2BA2F9;   // "Progress_Label"
constexpr DWORD kBarTrack = 0x1E2938;  // the track beneath it
constexpr int kBarY = 274;             // a row through the 6-pixel bar at y 272
constexpr POINT kCloseButton = {482, 18};
constexpr POINT kTitleText = {200, 18};
constexpr RECT kStateLabel = {0, 240, 500, 268};  // "UpdateState_Label" with its margins
constexpr RECT kNotes = {36, 61, 464, 209};       // inside the rich edit's border

// The visible update window, or null after `milliseconds`.
HWND WaitForWindow(DWORD milliseconds);
// The client area as it is on the screen now, once the track is drawn; null
// when the window never showed its bar track within `milliseconds`.
std::unique_ptr<DibCanvas> Capture(HWND window, DWORD milliseconds = 3000);
DWORD Rgb(const DibCanvas& canvas, int x, int y);
// Width of the progress fill: the pixels of the bar row left of the first
// track pixel, all of which must be fill (-1 when the row is neither).
int BarWidth(const DibCanvas& canvas);
// Polls until the bar is `width` pixels wide; the last width seen otherwise.
int WaitForBarWidth(HWND window, int width, DWORD milliseconds);
// The pixels of a client rectangle, row by row, for comparing states.
std::vector<DWORD> Region(const DibCanvas& canvas, const RECT& rc);
// A left click at a client point, posted.
void Click(HWND window, POINT at);
// A key press (down and up), posted.
void PressKey(HWND window, WPARAM key);
// The visible windows of class "MessageBox" of process `processId` (other
// programs may show boxes on the same display at the same time).
int CountMessageBoxes(DWORD processId);
// The first visible box of that process, or null after `milliseconds`.
HWND WaitForBoxOf(DWORD processId, DWORD milliseconds);
// The process of a window.
DWORD ProcessOf(HWND window);

}  // namespace UpdateProbe

// Where the shell's "open" of an http address ends up in the tests: Wine's
// browser launcher runs tests/ui/homepage-browser.sh (configured into the
// test folder), which appends each address it gets to homepage.log there.
namespace HomePageLog {

// Points Wine's browser launcher of this prefix at the script and empties
// the log.
bool Install();
void Clear();
// The addresses opened so far, one per entry.
std::vector<std::string> Addresses();
// Polls until at least `count` addresses arrived (the launcher starts the
// browser asynchronously), then waits a little longer for stragglers.
std::vector<std::string> WaitForAddresses(size_t count, DWORD milliseconds);

}  // namespace HomePageLog
