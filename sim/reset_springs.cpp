#include "platform/kernel/crt_rand.h"
#include "sim/spring_systems.h"

namespace {

constexpr float kTimeStep = 0.03f;

// A colour channel from 56 to 255, so no system is drawn too dark to see.
float drawChannel() { return static_cast<float>(platform::kernel::rand() % 200 + 56); }

}  // namespace

void resetSprings() {
    if (springSystems == nullptr) return;
    for (int i = 0; i < kNumSpringSystems; ++i) {
        SpringSystem& system = springSystems[i];
        system.Init(kTimeStep, 2, 1);
        system.SetParticle(0, 1, D3DXVECTOR3(3.0f, 80.0f, 0.0f));
        system.SetParticle(1, 1, D3DXVECTOR3(1.0f, 50.0f, 0.0f));
        system.SetLink(0, 0, 0, 1);
        system.SetLink(1, 0, 0, 0);
        system.SetSpring(0, 0, 1);
        const float blue = drawChannel();
        const float green = drawChannel();
        const float red = drawChannel();
        system.colour = D3DXVECTOR3(red, green, blue);
    }
}
