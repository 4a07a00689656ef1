#include "platform/d3d9/state_table.h"

#include <array>

namespace platform::d3d9::states {
namespace {

#define D3D9_ROW(state, def, accept, group) Row{state, def, 0, accept, group},
#define D3D9_STAGE_ROW(state, def0, defN, accept, group) Row{state, def0, defN, accept, group},

constexpr Row kRenderRows[] = {D3D9_RENDER_STATES(D3D9_ROW)};
constexpr Row kSamplerRows[] = {D3D9_SAMPLER_STATES(D3D9_ROW)};
constexpr Row kStageRows[] = {D3D9_STAGE_STATES(D3D9_STAGE_ROW)};

#undef D3D9_ROW
#undef D3D9_STAGE_ROW

// Direct look-up by state value; built once from the rows.
template <size_t Slots, size_t N>
constexpr std::array<const Row*, Slots> indexRows(const Row (&rows)[N]) {
    std::array<const Row*, Slots> index{};
    for (const Row& row : rows) {
        index[row.state] = &row;
    }
    return index;
}

constexpr auto kRenderIndex = indexRows<kRenderStateSlots>(kRenderRows);
constexpr auto kSamplerIndex = indexRows<kSamplerStateSlots>(kSamplerRows);
constexpr auto kStageIndexTable = indexRows<kStageStateSlots>(kStageRows);

template <size_t Slots>
const Row* find(const std::array<const Row*, Slots>& index, DWORD state) {
    return state < Slots ? index[state] : nullptr;
}

}  // namespace

const Row* renderStateRow(DWORD state) { return find(kRenderIndex, state); }
const Row* samplerStateRow(DWORD state) { return find(kSamplerIndex, state); }
const Row* stageStateRow(DWORD state) { return find(kStageIndexTable, state); }

const Row* renderStateRows(size_t* count) {
    *count = std::size(kRenderRows);
    return kRenderRows;
}
const Row* samplerStateRows(size_t* count) {
    *count = std::size(kSamplerRows);
    return kSamplerRows;
}
const Row* stageStateRows(size_t* count) {
    *count = std::size(kStageRows);
    return kStageRows;
}

}  // namespace platform::d3d9::states
