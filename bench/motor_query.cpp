// Host-side cost of one motor query: framing the command text (motor number +
// command), the channel call, and parsing the answer into a number. The
// recording channel answers at once, so the figure is vek's own overhead.
// Goal: under 1 µs per query.
#include <benchmark/benchmark.h>

#include <memory>

#include "support/RecordingChannel.h"
#include "vek/comm/PollingCommands.h"
#include "vek/motors/Motor.h"
#include "vek/motors/MotorConstants.h"

namespace {

std::shared_ptr<vek::Motor> makeMotor(const std::shared_ptr<vek::test::RecordingChannel>& channel) {
    auto motor = std::make_shared<vek::Motor>();
    motor->setMotorType(vek::MotorConstants::TYPE_SM);
    motor->init(1, channel, vek::MotorConstants::MOTOR_ENCODER_COUNT);
    channel->setRecording(false);
    return motor;
}

void BM_PositionQuery(benchmark::State& state) {
    auto channel = std::make_shared<vek::test::RecordingChannel>();
    channel->answer("1RP", "-1234567");
    auto motor = makeMotor(channel);
    for (auto _ : state) benchmark::DoNotOptimize(motor->position());
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PositionQuery);

void BM_IsMovingQuery(benchmark::State& state) {
    auto channel = std::make_shared<vek::test::RecordingChannel>();
    channel->answer("1RBt", "1");
    auto motor = makeMotor(channel);
    for (auto _ : state) benchmark::DoNotOptimize(motor->isMoving());
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_IsMovingQuery);

void BM_PollingFilter(benchmark::State& state) {
    const std::string commands[] = {"1RP", "1MP", "2RI12", "3y=TEMP", "1P=1000"};
    std::size_t i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(vek::PollingCommands::isPolling(commands[i++ % 5]));
}
BENCHMARK(BM_PollingFilter);

}  // namespace
