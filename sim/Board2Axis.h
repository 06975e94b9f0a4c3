#pragma once
// The 2-axis family (VT2D20NCRouter, VT2D20NCRouterVarn, dsLynNCRouter2D).
#include "sim/Board.h"

namespace plyx::sim {

class Board2Axis : public Board {
public:
    explicit Board2Axis(const SimOptions& options);
    // The program reads bit 4 of the latched data as its abort input.
    uint32_t AbortLatchBit() const override { return 16; }

protected:
    void Command(char letter, const Param& p) override;
    int LampsFromOutputs() const override;
    uint32_t LimitMask() const override { return 0x0F; }
    void ResetFamily() override;
    void PowerUpFamily() override;

private:
    void Report(int32_t item);
    void Relays(int op, const Param& p);
    int Mask() const { return motorMask_ == 0 ? 3 : motorMask_; }

    int32_t microstep_ = 16;
    int32_t arcBegin_ = 0, arcDelta_ = 0, arcSteps_ = 0;
    std::array<int32_t, 4> idleCurrent_{}, motionCurrent_{}, windingMode_{};
    int32_t snapshot_ = 0, nextId_ = 0;
};

}  // namespace plyx::sim
