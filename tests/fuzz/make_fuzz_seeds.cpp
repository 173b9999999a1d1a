// Writes the fuzzers' seed corpora, one folder per target: for the picture decoder the
// built-in icons and small samples of each common format; for the text parsers rows
// of their unit tables.
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <initializer_list>
#include <string>
#include <string_view>

#include "covers/builtin_pictures.h"
#include "sample_pictures.h"

namespace {

using namespace std::string_view_literals;

std::string Folder(const std::string& root, const char* target) {
  const std::string folder = root + "/" + target;
  ::mkdir(folder.c_str(), 0755);
  return folder;
}

void Write(const std::string& folder, const std::string& name, std::string_view data) {
  std::ofstream out(folder + "/" + name, std::ios::binary);
  out.write(data.data(), std::streamsize(data.size()));
}

void Write(const std::string& folder, const std::string& name, const sp::samples::Bytes& data) {
  Write(folder, name, {reinterpret_cast<const char*>(data.data()), data.size()});
}

void WriteAll(const std::string& folder, std::initializer_list<std::string_view> seeds) {
  int n = 0;
  for (std::string_view seed : seeds) Write(folder, "seed-" + std::to_string(++n), seed);
}

void Pictures(const std::string& folder) {
  using namespace sp;
  Bitmap pattern(12, 9, 0);
  for (int y = 0; y < pattern.height; ++y)
    for (int x = 0; x < pattern.width; ++x)
      pattern.At(x, y) =
          (x + y) % 3 == 0 ? 0x80402010u : OpaquePixel({std::uint8_t(x * 20), 90, 200});
  Write(folder, "docked.png", {DockedIconPng.begin(), DockedIconPng.end()});
  Write(folder, "undocked.png", {UndockedIconPng.begin(), UndockedIconPng.end()});
  Write(folder, "rgba.png", samples::Png(pattern, true));
  Write(folder, "rgb.png", samples::Png(pattern, false));
  Write(folder, "photo.jpg", samples::Jpeg(pattern));
  Write(folder, "plain.bmp", samples::Bmp(pattern));
  Write(folder, "tiny.gif", samples::GifDeclaring(1, 1));
  Write(folder, "huge.png", samples::PngDeclaring(100000, 100000));
}

// Song answers and "/time" bodies.
void ApiAnswers(const std::string& folder) {
  WriteAll(
      folder,
      {
          R"({"id":7,"type":"music","title":"Low Tide","album":"Kelp","length":245.9,)"
          R"("genre":"DnB","releaseyear":2019,"created_at":"2022-10-12 14:59:01 +0200",)"
          R"("artist":{"name":"MC X","laut_id":4,"url":"u","laut_url":"lu","image":"i",)"
          R"("thumb":"t"},"started_at":"2022-10-12 15:03:27 +0200",)"
          R"("ends_at":"2022-10-12 15:07:32 +0200"})",
          R"({"Title":"A","ALBUM":null,"Artist":{"NAME":"C","Laut_Id":true}})",
          R"({"title":"Caf\u00e9 \ud83c\udfb5","TITLE":"B","id":-99999999999999999999})",
          R"({"id":1e300,"length":-1e300,"releaseyear":"2019","artist":[{"name":"x"}]})",
          "{\"title\":\"A\",\"genre\":\"\xE9\",\"album\":\"B\xC3\",\"artist\":{\"name\":\"C\"}}",
          R"([{"title":"A"}])",
          " \t\r\n{} \n",
          "\"2022-10-12 15:03:27 +0200\"",
          "2024-02-29 10:00:00",
          "2038-01-19 03:14:07",
          "2022-1-5 1:0:0",
          "2022-10-12 \"15:03\":27",
          "\"2022-10-12 15:03:27\"\0junk"sv,
      });
}

void PreferencesFiles(const std::string& folder) {
  WriteAll(
      folder,
      {
          "{\r\n  \"WindowW\"    : 730,\r\n  \"WindowX\"    : 100,\r\n  \"WindowY\"    : 200,\r\n"
          "  \"Preferences\": \"lumo/Tidemark Drum and Bass FM/\",\r\n"
          "  \"MainStation\": \"tidemark\",\r\n  \"cWindDock\"  : 1,\r\n  \"cWinX\"      : 831,\r\n"
          "  \"cWinY\"      : 73,\r\n  \"cWinOpen\"   : 1,\r\n  \"WindowH\"    : 195\r\n}",
          R"({"windowx": 12.9, "WINDOWY": -3.7, "CWINOPEN": true, "cwinddock": "1", "x": {"cWinX": 5}})",
          R"({"Preferences": "a\"b\\c\/d\u00e9\n\u0001", "MainStation": ["x"], "WindowH": 7})",
          R"({"WindowX": 9223372036854775808, "WindowY": -1e300, "cWinX": 2.5E1, "cWinY": null})",
          "[[[[]]]]",
          "{}",
          " 42 ",
      });
}

// Song texts on the first three lines, then the list.
void CoverRuns(const std::string& folder) {
  WriteAll(folder, {
                       "Dub Step\nMC X\n\ndub step.jpg\nmc x - dub step (remix).jpg\n",
                       "Ωmega Süd\n\n\nomega sud.jpg\r\nωmega süd.png",
                       "Café\n\n\ncafe.jpg\rcafé.jpg\r\n",
                       "\n - \n()\n\xEF\xBB\xBF"
                       "First.PNG\r\nSecond.png",
                       "Low Tide\nKelp\n\nlow tide.jpg\nkelp.jpg\n",
                       "Artist\nTitle\n\nArtist Title.JPG\n100%+1.jpg\na#b?c=d.jpg\n",
                       "\n\n\n../../.bashrc\n",
                       "X\xF0\x90\x90\x80y \xC4\xB0stanbul\n\xC7\x85ungla\n\n"
                       "x\xF0\x90\x90\x80y istanbul \xC7\x86ungla.jpg\n",
                       "Bad\xFF\nend\xC3\n\nBad\xFF.JPG\r\n\xC3",
                       "\n\n\npreferences.json\ncover.txt\n",
                       "nul\n\n\nnul\0inside.jpg"sv,
                   });
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  const std::string root = argv[1];
  ::mkdir(root.c_str(), 0755);
  Pictures(Folder(root, "decode_fuzzer"));
  ApiAnswers(Folder(root, "api_fuzzer"));
  PreferencesFiles(Folder(root, "preferences_fuzzer"));
  CoverRuns(Folder(root, "cover_fuzzer"));
  return 0;
}
