#pragma once
// Names of dictionary texts used by the engine or in more than one place,
// so that their uses can be found and cannot drift apart.
#include "text/Resources.h"

namespace plyx::text {

// Refusals of a run start.
inline constexpr ResourceId kTextNoModelLoaded = 901;
inline constexpr ResourceId kTextPoleDiameterZero = 902;
inline constexpr ResourceId kTextTooManyAlternatePairs = 903;  // %1 pairs, at most %2

// The run preview's summary and drawing, and the production record.
inline constexpr ResourceId kTextPreviewLayers = 924;
inline constexpr ResourceId kTextPreviewLineMoves = 925;
inline constexpr ResourceId kTextPreviewMovesQueued = 926;
inline constexpr ResourceId kTextPreviewTapeFeet = 927;
inline constexpr ResourceId kTextPreviewTapeMeters = 928;
inline constexpr ResourceId kTextPreviewRunTime = 929;
inline constexpr ResourceId kTextFinishingFileIncluded = 930;
inline constexpr ResourceId kTextXSteps = 931;
inline constexpr ResourceId kTextYSteps = 932;
inline constexpr ResourceId kTextLayer = 933;
inline constexpr ResourceId kTextRunWouldNotStart = 935;
inline constexpr ResourceId kTextRecordNotWritten = 936;

// The machine counters and the tape roll.
inline constexpr ResourceId kTextRollTooShort = 1568;  // %1 the run needs, %2 left on the roll
inline constexpr ResourceId kTextOutcomeInterrupted = 1570;
inline constexpr ResourceId kTextOutcomeOther = 1571;

}  // namespace plyx::text
