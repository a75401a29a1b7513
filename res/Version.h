#pragma once

// The program's version block.
struct VersionInfo
{
    const char* fileVersion;
    const char* productVersion;
    const char* fileDescription;
    const char* productName;
    const char* internalName;
    const char* originalFileName;
    unsigned language;
};

inline constexpr VersionInfo kVersionInfo{
    "3.0.0.0", "3.0.0.0", "KELVOR ｱﾌﾟﾘｹｰｼｮﾝ", "KELVOR ｱﾌﾟﾘｹｰｼｮﾝ", "KELVOR", "KELVOR.EXE", 0x411,
};
