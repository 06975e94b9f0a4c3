#pragma once
// The 4-axis family (QM4DNCRouter, QM4DNCRouterVarn, QM4DFifoNCStepper).
#include "sim/Board.h"

namespace plyx::sim {

class Board4Axis : public Board {
public:
    explicit Board4Axis(const SimOptions& options);
    uint32_t AbortLatchBit() const override { return 1; }

protected:
    void Command(char letter, const Param& p) override;
    int LampsFromOutputs() const override;
    bool AcceptsBinaryDelta() const override { return true; }
    void BinaryDelta(int axis, int32_t delta) override;
    uint32_t LimitMask() const override { return 0xFF; }
    void ResetFamily() override;
    void PowerUpFamily() override;

private:
    // Firmware 5 and later speaks the extended dialect (queue entries,
    // text deltas, other report items).
    bool Extended() const { return majorVersion_ >= 5; }
    bool OldFirmware() const { return majorVersion_ < 3; }
    bool Fifo() const { return options_.firmwareName.rfind("QM4DFifoNCStepper", 0) == 0; }
    void Report(int32_t item);
    void QueuedReply();
    void IdleQuery(char letter);
    void Outputs(int op, const Param& p);
    int FirstAxis() const;
    std::string MotorName() const;

    int32_t arcB_ = 0, arcC_ = 0, arcD_ = 0, arcStop_ = 0;
    int32_t snapshot_ = 0, nextId_ = 0, rateScale_ = 0, dac_ = 0;
};

}  // namespace plyx::sim
