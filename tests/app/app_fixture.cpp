#include "app_fixture.h"

#include "gfxutil/core/font.h"
#include "gfxutil/mesh/mesh.h"
#include "platform/d3d9/controls.h"
#include "platform/kernel/crt_rand.h"
#include "platform/win32/message_box.h"

namespace apptest {

namespace {

template <class Interface>
void releaseIfHeld(Interface*& object) {
    if (object != nullptr) {
        object->Release();
        object = nullptr;
    }
}

}  // namespace

void resetApplicationState() {
    releaseIfHeld(sphereMesh);
    releaseIfHeld(floorTexture);
    releaseIfHeld(floorBuffer);
    releaseIfHeld(mirrorBuffer);
    releaseIfHeld(lineBuffer);
    releaseIfHeld(helpFont);
    releaseIfHeld(device);
    releaseIfHeld(direct3D);
    delete[] springSystems;
    springSystems = new SpringSystem[kNumSpringSystems];
    *appContext = AppContext();
    platform::kernel::srand(1);
}

void AppTest::SetUp() {
    platform::win32::resetWindowSystem();
    platform::win32::selectBackend(platform::win32::BackendKind::Headless);
    platform::win32::setInputSchedule(platform::win32::InputSchedule{});
    platform::d3d9::setFailure(platform::d3d9::Failure::None);
    resetApplicationState();
    platform::win32::setMessageBoxHook([this](const platform::win32::MessageBoxRecord& box) {
        m_boxes.push_back({box.text, box.caption});
        return IDOK;
    });
}

void AppTest::TearDown() {
    platform::win32::setMessageBoxHook({});
    platform::d3d9::setFailure(std::nullopt);
    resetApplicationState();
    platform::win32::resetWindowSystem();
}

int AppTest::runWinMain(const platform::win32::InputSchedule& schedule) {
    platform::win32::setInputSchedule(schedule);
    char commandLine[] = "";
    return WinMain(platform::win32::processInstance(), nullptr, commandLine, SW_SHOWDEFAULT);
}

bool AppTest::createWindow() {
    if (registerWindowClass(platform::win32::processInstance()) == 0) {
        return false;
    }
    return createMainWindow(platform::win32::processInstance(), SW_SHOWDEFAULT);
}

}  // namespace apptest
