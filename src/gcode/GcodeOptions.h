#pragma once
// Everything the generator reads besides the design records, gathered when it runs.

#include <string>

namespace tessaline {

struct GcodeOptions {
    // Figure texts as the window shows them; copied verbatim into the header comments.
    std::string fileName;
    std::string heightText;
    std::string widthText;
    std::string stitchCountText;
    std::string colourCountText;

    std::string notes = "Final Gcode";  // written as it stands, line breaks included
    bool emitG90 = true;
    bool emitG21 = true;
    bool emitG64 = true;
    std::string feedText = "1500";  // verbatim, may be empty
    double zStep = 10;
    bool invertX = false;
    bool invertY = false;
    bool emitM786 = true;
    bool emitM02 = true;
    bool emitM30 = true;
};

}  // namespace tessaline
