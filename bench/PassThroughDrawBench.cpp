// The per-frame pass-through draw on a real GL 4.1 core context (EGL surfaceless, llvmpipe):
// time per draw, and heap allocations per draw, which must be 0.
#include "bench/AllocationCounter.h"
#include "glutil/PassThrough.h"
#include "platform/GlewLoader.h"
#include "tools/testhost/GlContext.h"
#include "tools/testhost/GlPixels.h"

#include <GL/glew.h>
#include <benchmark/benchmark.h>

#include <string>

namespace
{

// A 1280 x 720 frame in a 2048 x 1024 allocation, drawn into a 1280 x 720 output.
void PassThroughDraw(benchmark::State& state)
{
    std::string error;
    const auto context = testhost::CreateEglContext(error);
    if (!context || !platform::LoadGlEntryPoints())
    {
        state.SkipWithError(context ? "cannot load the GL entry points" : error.c_str());
        return;
    }
    ffglex::ShaderProgram shader;
    ffglex::ScreenQuad quad;
    if (!ffglex::SetUpPassThrough(shader, quad))
    {
        state.SkipWithError("pass-through set-up failed");
        return;
    }
    const testhost::RgbaTexture texture(testhost::GradientImage(2048, 1024));
    const testhost::RenderTarget target(1280, 720);
    ffgl::TextureRecord input{1280, 720, 2048, 1024, texture.Name()};
    ffgl::TextureRecord* inputs[] = {&input};
    const ffgl::FrameDataRecord frame{1, inputs};
    // The driver builds its shader variants on the first draws; that is not the draw's own cost.
    ffglex::DrawPassThrough(shader, quad, frame);
    glFinish();
    state.SetLabel(reinterpret_cast<const char*>(glGetString(GL_RENDERER)));

    std::uint64_t allocations = 0;
    for (auto _ : state)
    {
        const std::uint64_t before = bench::AllocationCount();
        ffglex::DrawPassThrough(shader, quad, frame);
        allocations += bench::AllocationCount() - before;
    }
    glFinish(); // the queued draws belong to the time measured
    state.counters["allocations_per_draw"] =
        benchmark::Counter(static_cast<double>(allocations), benchmark::Counter::kAvgIterations);
    ffglex::ReleasePassThrough(shader, quad);
    if (allocations != 0)
        state.SkipWithError("the pass-through draw allocated on the heap");
}
BENCHMARK(PassThroughDraw)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
