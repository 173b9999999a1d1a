// stationplayer: a desktop player for one internet radio station.
#include "app/startup.h"

int main() {
  return sp::RunProgram();
}
