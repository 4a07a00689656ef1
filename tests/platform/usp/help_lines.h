// The demo's eight help lines, as UTF-16 (the program widens them from code page 949).
#pragma once

namespace usptest {

inline constexpr const char16_t* kHelpLines[] = {
    u"▷ 적용식; Verlet Intergrator (객체 간의 충돌은 무시)",
    u"  가변 조건; 무게 m = 5~10, 초기힘 F = ( 10.f, -30 ~ -35.0f, 0.0f )",
    u"  동일 조건; 스프링상수 ks = 30.0f, 감쇠상수 kd = 5.0f",
    u"▷ Euler's Method에 비해 안정성이 있지만 ",
    u"   비교적 큰 탄성으로 폭발하는 객체도 보인다.  ",
    u"   진동이 폭발로 이어지지 않도록 주의!!  ",
    u"▷ 수정일; 2004. 08. 30",
    u"   Restart = 마우스 왼쪽 버튼 클릭  ",
};

}  // namespace usptest
