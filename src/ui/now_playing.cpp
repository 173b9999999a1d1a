// The now-playing panel: drawn only in answer to a RedrawRequest, and kept until the next.
#include "ui/now_playing.h"

#include "platform/access.h"
#include "platform/controls.h"
#include "platform/text.h"
#include "station/current_song.h"

namespace sp {
namespace {

constexpr Rgb kBackground{0, 0, 0};
constexpr Rgb kHeading{97, 108, 135};
constexpr Rgb kText{124, 134, 160};

// Artist, title and album, as a listener hears them: without the captions and colons
// (a screen reader may say "colon"), and without the parts the station left empty.
std::string Announcement(const SongTexts& texts) {
  std::string out;
  for (const std::string* part : {&texts.artist, &texts.title, &texts.album}) {
    if (part->empty()) continue;
    if (!out.empty()) out += ", ";
    out += *part;
  }
  return out;
}

}  // namespace

void OnNowPlayingPanel(const Event& event) {
  if (event.type != event_type::RedrawRequest) return;
  SongTexts texts{"Artistenname", "Titelname", "Albumname"};
  const auto* song = std::any_cast<const SharedSong*>(&event.data);
  const bool on_air = song && *song;
  if (on_air) texts = (*song)->Texts();

  CanvasDrawing drawing{ControlId{event.control}};
  if (!drawing) return;
  Bitmap& canvas = drawing.bitmap();
  Fill(canvas, kBackground);
  struct Line {
    FontId font;
    const std::string& text;
    int x, y;
    Rgb colour;
  };
  const std::string artist = "Artist", title = "Title", album = "Album", colon = ":",
                    heading = "now playing...";
  const Line lines[] = {
      {FontId::UiSmall, heading, 15, 5, kHeading},
      {FontId::UiLarge, artist, 15, 25, kText},
      {FontId::UiLarge, colon, 95, 25, kText},
      {FontId::UiLarge, texts.artist, 105, 25, kText},
      {FontId::UiMedium, title, 15, 60, kText},
      {FontId::UiMedium, colon, 95, 60, kText},
      {FontId::UiMedium, texts.title, 105, 60, kText},
      {FontId::UiMedium, album, 15, 80, kText},
      {FontId::UiMedium, colon, 95, 80, kText},
      {FontId::UiMedium, texts.album, 105, 80, kText},
  };
  for (const Line& line : lines)
    text::Draw(canvas, line.font, line.x, line.y, line.text, line.colour, drawing.scale());
  // Read as drawn, row by row; a new song is announced as it appears, the placeholders
  // never.
  const std::string read = heading + "\n" + artist + " " + colon + " " + texts.artist + "\n" +
                           title + " " + colon + " " + texts.title + "\n" + album + " " + colon +
                           " " + texts.album;
  ui::DescribeControl(ControlId{event.control},
                      a11y::ReadingStop(read, on_air ? Announcement(texts) : ""));
}

}  // namespace sp
