// The two station API calls the program makes: the service's clock and the song on air.
#pragma once

#include <string>

#include "station/api_records.h"
#include "station/api_time.h"

namespace sp {

// Base URL of the API without a trailing slash; the build's default unless a
// test pointed it elsewhere. Any thread.
std::string StationApiBase();
void SetStationApiBase(const std::string& base);

// Watcher thread. Fills `record` from the API's current song and returns true,
// or returns false and leaves `record` untouched. `station` is put into the URL
// as it is.
bool FetchCurrentSong(const std::string& station, api_current_song& record);

// Watcher thread. The service's clock from "/time" (redirects not followed,
// double quotes removed), or -1.
TimeValue GetServerTime();

// The time text of a "/time" body: up to the first zero byte, every '"' removed.
std::string ServerTimeText(const std::string& body);

}  // namespace sp
