#pragma once
// The Open dialog's filters for design files, built from the formats the core reads.

#include <QString>
#include <QStringList>

namespace tessaline {

// "Embroidery designs (*.dst *.DST *.pes *.PES ...)": every readable extension in both cases.
QString embroideryDesignsFilter();

// All files, Tajima files, all designs, then one filter per other format ("Brother PES (*.pes *.PES)").
QStringList designFileFilters();

// Every readable format with its maker, in the core's order: "Tajima DST, Brother PES, ... and Pfaff PCS".
QString readableFormatNames();

}  // namespace tessaline
