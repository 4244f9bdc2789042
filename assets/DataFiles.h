#pragma once

// The names of the four data files that lie beside the program: the
// generator writes them, the game plays them.
namespace data_files {

inline constexpr char tune[] = "bgm.dat";
inline constexpr char specialTune[] = "bgm2.dat";
inline constexpr char cut[] = "kiru.dat";
inline constexpr char deflect[] = "hajiku.dat";

inline constexpr const char* all[] = {tune, specialTune, cut, deflect};

}  // namespace data_files
