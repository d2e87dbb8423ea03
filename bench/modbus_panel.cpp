// Requests per second that the operator panel's Modbus TCP slave answers to
// a libmodbus master on loopback, beside the same figure for a bare libmodbus
// slave loop (modbus_receive / modbus_reply on a thread of its own). Two
// requests: read 100 coils, write one holding register. The panel is served
// the way vek serves it, from vek's event loop (here on a thread that owns
// every vek object); the master runs in the benchmark's thread. Goal: the
// panel answers at least 80 % of the bare loop's rate; the ratios are
// printed at the end.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <modbus/modbus.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <future>
#include <map>
#include <string>
#include <thread>

#include "vek/foundation/EventLoop.h"
#include "vek/peripherals/Hmi.h"

namespace {

enum Request { READ_100_COILS = 0, WRITE_REGISTER = 1 };
const char* const kRequestNames[] = {"read 100 coils", "write one register"};

// The panel's slave on a thread that alone touches vek, serving until exit.
class PanelThread {
public:
    PanelThread() {
        std::promise<int> port;
        auto ready = port.get_future();
        thread_ = std::thread([this, &port] {
            vek::Hmi hmi(nullptr, {});
            hmi.openSlave(0, "127.0.0.1");
            port.set_value(hmi.port());
            while (!stop_) vek::eventLoop().wait(0.05);
        });
        port_ = ready.get();
    }
    ~PanelThread() {
        stop_ = true;
        thread_.join();
    }
    int port() const { return port_; }

private:
    std::atomic<bool> stop_{false};
    int port_ = 0;
    std::thread thread_;
};

// A bare libmodbus slave for one master: accept, then receive and reply
// until the master hangs up.
class BareSlave {
public:
    BareSlave() {
        listen_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listen_, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
        listen(listen_, 1);
        socklen_t length = sizeof sa;
        getsockname(listen_, reinterpret_cast<sockaddr*>(&sa), &length);
        port_ = ntohs(sa.sin_port);
        thread_ = std::thread([this] {
            modbus_t* ctx = modbus_new_tcp("127.0.0.1", port_);
            modbus_mapping_t* mapping = modbus_mapping_new_start_address(1, 260, 0, 0, 1, 520, 0, 0);
            const int client = accept(listen_, nullptr, nullptr);
            modbus_set_socket(ctx, client);
            uint8_t query[MODBUS_TCP_MAX_ADU_LENGTH];
            for (int n; (n = modbus_receive(ctx, query)) >= 0;)
                if (n > 0) modbus_reply(ctx, query, n, mapping);
            close(client);
            modbus_mapping_free(mapping);
            modbus_free(ctx);
        });
    }
    ~BareSlave() {
        thread_.join();
        close(listen_);
    }
    int port() const { return port_; }

private:
    int listen_ = -1;
    int port_ = 0;
    std::thread thread_;
};

// Never destroyed: the summary below reads it at exit.
std::map<std::string, double>& rates() {
    static auto* figures = new std::map<std::string, double>();
    return *figures;
}

// Prints the panel's rate as a share of the bare loop's, once all ran.
struct Summary {
    ~Summary() {
        for (int r : {READ_100_COILS, WRITE_REGISTER}) {
            const std::string name = kRequestNames[r];
            const double panel = rates()["panel " + name], bare = rates()["bare " + name];
            if (panel > 0 && bare > 0)
                std::printf(
                    "panel / bare libmodbus loop, %s: %.0f / %.0f requests/s = %.1f %% (goal: at least 80 %%)\n",
                    name.c_str(), panel, bare, 100.0 * panel / bare);
        }
    }
} summary;

void drive(benchmark::State& state, int port, const std::string& slave) {
    const auto request = static_cast<Request>(state.range(0));
    modbus_t* master = modbus_new_tcp("127.0.0.1", port);
    if (modbus_connect(master) != 0) {
        state.SkipWithError("cannot connect to the slave");
        modbus_free(master);
        return;
    }
    uint8_t bits[100];
    uint16_t value = 0;
    int failures = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        const int rc = request == READ_100_COILS ? modbus_read_bits(master, 1, 100, bits)
                                                 : modbus_write_register(master, 1, ++value);
        failures += rc < 0;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    modbus_close(master);
    modbus_free(master);
    if (failures) state.SkipWithError("requests failed");
    state.counters["requests/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.SetLabel(kRequestNames[request]);
    rates()[slave + " " + kRequestNames[request]] = static_cast<double>(state.iterations()) / seconds;
}

void BM_PanelSlave(benchmark::State& state) {
    static PanelThread panel;
    drive(state, panel.port(), "panel");
}

void BM_BareLibmodbusSlave(benchmark::State& state) {
    BareSlave bare;
    drive(state, bare.port(), "bare");
}

BENCHMARK(BM_BareLibmodbusSlave)->Arg(READ_100_COILS)->Arg(WRITE_REGISTER)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_PanelSlave)->Arg(READ_100_COILS)->Arg(WRITE_REGISTER)->MinTime(1.0)->UseRealTime();

}  // namespace
