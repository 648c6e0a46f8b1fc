#pragma once
// Pictures of windows for the screenshot scripts (scripts/screenshot-*.sh): set by an
// environment variable naming the picture file, the program opens the first sample slideshow,
// shows the window, saves a picture of it and ends.
//   KALVORA_SHOT_VIEWER    the picture viewer, started from the picture page
//   KALVORA_SHOT_SETTINGS  the slideshow settings page ("Diashow erzeugen")
class TMainForm;
void InstallScreenshotHooks(TMainForm* form);
