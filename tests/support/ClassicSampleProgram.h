#pragma once
// The Classic program of the sample design that the library's and the converter's tests both
// write: in sample.dst, a jump to the origin, three stitches, a colour change, a stitch and a
// last colour change. The two differ only in the figures the header names.

#include <string>
#include <vector>

namespace tessaline::test {

// heightByWidth as the header shows it ("2.5 x 3"); stitches the header's count.
inline std::vector<std::string> classicSampleProgram(const std::string& heightByWidth, const std::string& stitches) {
    return {
        "(The Gcode created with Tessaline V2.4.8)",
        "(Program Author: Marovek)",
        "(File Name: sample.dst)",
        "(Height x Width of Design " + heightByWidth + ")",
        "(Total No. of Stitches: " + stitches + ")",
        "(Total No. of Colors: 2)",
        "(Important Notes: Final Gcode)",
        "G90",
        "G21",
        "G64",
        "F 1500",
        "(NEEDLE UP RAPID MOVE- Light bulb Off if On)",
        "M09",
        "G01 X0 Y0 Z10 ",
        "G01 Z20 ",
        "(START STITCHING- Light Bulb Off if On)",
        "M09",
        "G01 X1 Y-2 Z30 ",
        "G01 Z40 ",
        "G01 X1.5 Y-2 Z50 ",
        "G01 Z60 ",
        "G01 X2 Y-2.5 Z70 ",
        "G01 Z80 ",
        "(THREAD COLOR CHANGE- M7 Light Bulb On)",
        "G01 X2 Y-2.5 ",
        "M07",
        "M06",
        "(START STITCHING- Light Bulb Off if On)",
        "M09",
        "G01 X2 Y-2.5 Z90 ",
        "G01 Z100 ",
        "(THREAD COLOR CHANGE- M7 Light Bulb On)",
        "G01 X3 Y-2.5 ",
        "M07",
        "M06",
        "M786",
        "M02",
        "M30",
    };
}

// The lines as a program file holds them, each ended by CR LF.
inline std::string joinCrlf(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += line + "\r\n";
    return text;
}

}  // namespace tessaline::test
