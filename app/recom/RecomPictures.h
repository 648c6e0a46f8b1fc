#pragma once
// The pictures of the program folder's "recom/" subfolder: banners, window pictures and the
// closing slides. They are drawn at build time by kalvora_make_recom, so the program ships
// no pictures from elsewhere.
#include <QSize>
#include <QString>

namespace recom {

struct PictureFile {
  const char* name;
  QSize size;
};

inline constexpr PictureFile kPictures[] = {
    {"m_program.jpg", {480, 60}},         // top banner of the main and publishing windows
    {"m_side.jpg", {120, 360}},           // side banner of the web page and upload windows
    {"m_slidora.jpg", {200, 120}},        // product picture of the sister product
    {"about.jpg", {240, 160}},            // About box
    {"tip.png", {48, 48}},                // tip of the day
    {"player_icon.png", {48, 48}},        // the player's symbol in the "how to go on" window
    {"audioinfo.png", {320, 48}},         // audio information window
    {"audio.png", {64, 64}},              // music being prepared
    {"TessaroImage_VCD.jpg", {704, 576}}, // closing slide of a video, German
    {"ENImage_VCD.jpg", {704, 576}},      // closing slide of a video, English
    {"TessaroImage_PLAYER.jpg", {800, 600}},
    {"ENImage_PLAYER.jpg", {800, 600}},
};

}  // namespace recom
