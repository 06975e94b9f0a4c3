// QM4DNCRouter: locations, moves, vectors and arcs.
#include "drivers/DriverNumbers.h"
#include "drivers/QM4DNCRouter.h"

namespace plyx::drivers {

void QM4DNCRouter::SetRequestedAxisLocation(std::int32_t lValue, char chAbsoluteLetter) {
    SelectThisBoard();
    char letter = fIsAbsolute_ ? chAbsoluteLetter : static_cast<char>(chAbsoluteLetter - 'A' + 'a');
    Link().StringWriteDataThenSingleCommand(lValue, std::string(1, letter));
}

void QM4DNCRouter::SetRequestedWLocation(std::int32_t lW) { SetRequestedAxisLocation(lW, 'W'); }
void QM4DNCRouter::SetRequestedXLocation(std::int32_t lX) { SetRequestedAxisLocation(lX, 'X'); }
void QM4DNCRouter::SetRequestedYLocation(std::int32_t lY) { SetRequestedAxisLocation(lY, 'Y'); }
void QM4DNCRouter::SetRequestedZLocation(std::int32_t lZ) { SetRequestedAxisLocation(lZ, 'Z'); }

void QM4DNCRouter::SetRequestedLocation(std::int32_t lW, std::int32_t lX, std::int32_t lY, std::int32_t lZ) {
    SetRequestedWLocation(lW);
    SetRequestedXLocation(lX);
    SetRequestedYLocation(lY);
    SetRequestedZLocation(lZ);
}

void QM4DNCRouter::SetRequestedBinaryDeltaLocation(std::int32_t lDelta, std::int32_t lidWhich) {
    const std::int16_t t = EnsureBoardType();
    link::ZentrovaCom& z = Link();
    if (t != 3) {
        // 1 a a 0 d d d d | d d d d d d d d: axis number and 12-bit delta.
        std::int32_t axisBits = CheckedMul(lidWhich, 8192);
        std::int32_t word = (lDelta & 4095) | 32768 | axisBits;
        z.CharWrite(static_cast<unsigned char>((word / 256) & 255));
        z.CharWrite(static_cast<unsigned char>(lDelta & 255));
        z.ReadToDone(z.IdleTime());
        return;
    }
    static const char kRelativeLetters[] = "wxyz";
    if (lidWhich >= 0 && lidWhich <= 3)
        z.StringWriteDataThenSingleCommand(lDelta, std::string(1, kRelativeLetters[lidWhich]));
}

void QM4DNCRouter::GoToCurrentRequestedLocation() { SendQueuedCommand("G"); }

void QM4DNCRouter::GoToCurrentRequestedLocationWithVectorLength(std::int32_t lVectorLength) {
    SendValueThenQueuedCommand(lVectorLength, "G");
}

void QM4DNCRouter::GoToLocation(std::int32_t lW, std::int32_t lX, std::int32_t lY, std::int32_t lZ) {
    SetRequestedLocation(lW, lX, lY, lZ);
    GoToCurrentRequestedLocation();
}

void QM4DNCRouter::GoToLocationWithVectorLength(std::int32_t lW, std::int32_t lX, std::int32_t lY,
                                                std::int32_t lZ, std::int32_t lVectorLength) {
    SetRequestedLocation(lW, lX, lY, lZ);
    GoToCurrentRequestedLocationWithVectorLength(lVectorLength);
}

void QM4DNCRouter::StartMultiVectorSequence(std::int32_t lTotalLength) {
    if (IsType3()) SendValueThenQueuedCommand(lTotalLength, "m");
}

void QM4DNCRouter::DrawArc(std::int32_t lRadius, std::int32_t lBeginAngleInDegroids, std::int32_t cSteps,
                           std::int32_t cStepSize, std::int32_t cStopSteps) {
    if (EnsureBoardType() != 3) WaitOrTrap("DrawArc");
    link::ZentrovaCom& z = Link();
    z.StringWriteDataThenSingleCommand(lBeginAngleInDegroids, "B");
    z.StringWriteDataThenSingleCommand(cSteps, "C");
    z.StringWriteDataThenSingleCommand(cStepSize, "D");
    if (lBoardType_ != 3) z.StringWriteDataThenSingleCommand(cStopSteps, "c");
    SendValueThenQueuedCommand(lRadius, "A");
}

void QM4DNCRouter::DrawArcD(std::int32_t lRadius, double zBeginAngleInDegrees, double zDeltaAngleInDegrees,
                            std::int32_t cSteps) {
    if (!IsType3()) return;
    std::int32_t b = RoundToLong(zBeginAngleInDegrees * 1000000.0);
    std::int32_t d = RoundToLong(zDeltaAngleInDegrees * 1000000.0);
    DrawArc(lRadius, b, d, cSteps, 0);
}

void QM4DNCRouter::SetCurrentCoordinates(std::int32_t lW, std::int32_t lX, std::int32_t lY, std::int32_t lZ) {
    WaitOrTrap("SetCurrentCoordinates");
    SetRequestedLocation(lW, lX, lY, lZ);
    Link().StringWriteCommandSequence("=");
}

void QM4DNCRouter::SetEncoderCoordinate(const std::string& strWhichMotor, std::int32_t lValue) {
    if (!IsType3()) return;
    SelectMotor(strWhichMotor);
    SendValueThenQueuedCommand(lValue, "#");
}

void QM4DNCRouter::SetEncoderCoordinates(std::int32_t lW, std::int32_t lX, std::int32_t lY, std::int32_t lZ) {
    if (!IsType3()) return;
    SetEncoderCoordinate("W", lW);
    SetEncoderCoordinate("X", lX);
    SetEncoderCoordinate("Y", lY);
    SetEncoderCoordinate("Z", lZ);
}

}  // namespace plyx::drivers
