// The GUI program. The application object does the work; this file picks the network.

#include "app/demo/DemoLan.h"
#include "platform/Platform.h"
#include "protocol/UdpTransport.h"
#include "ui/main/Application.h"

#include <memory>

namespace {

std::unique_ptr<vantoro::Transport> MakeTransport(vantoro::Platform& platform, bool demo) {
    if (demo) {
        return vantoro::demo::MakeDemoLan(platform);
    }
    return std::make_unique<vantoro::UdpTransport>();
}

} // namespace

int main(int argc, char** argv) {
    return vantoro::Application::Main(argc, argv, &MakeTransport);
}
