// Running out of memory while an instance is handled ends the run through the
// prompted fatal exit, naming the instance, instead of an uncaught bad_alloc.
// Allocations are made to fail by replacing the global operator new of this
// test program: once armed, every request of kFailFrom bytes or more fails.
#include <atomic>
#include <cstdlib>
#include <new>

#include "analyzer/app/run_driver.h"
#include "tests/support/instances.h"

namespace {

constexpr std::size_t kFailFrom = std::size_t{1} << 16;
std::atomic<bool> g_large_allocations_fail{false};

// Runs instance 5, whose file has 10000 arrival periods, so that its arrays
// outgrow kFailFrom bytes while being read; a small model (one cycle, unit
// intervals, two waiting places) gets through every stage quickly.
ChildResult run_large_instance(bool large_allocations_fail) {
  std::string text = "10000\n";
  for (int i = 0; i < 10000; ++i) text += "1 1 1\n";
  const auto dir = working_dir({}, {{"instance_5.DAT", text + "1 10000 1 1 1 10000 1 1 1 10000 3\n"}});
  const ChildResult r = run_in_child([&] {
    std::filesystem::current_path(dir);
    set_run_defaults();
    gv_CFG_mxq = 2, gv_CFG_Delta_abs = 1.0, gv_CFG_nrc = 1, gv_CFG_mxt = 0.0, gv_CFG_obs_int = 1e9;
    SummaryFileName = "SUMMARY.CSV";
    g_large_allocations_fail = large_allocations_fail;
    f_run_instance(5);
  });
  std::filesystem::remove_all(dir);
  return r;
}

}  // namespace

// The replacement pair allocates with malloc and frees with free; GCC cannot
// see that they match once operator new is inlined, hence the pragma.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
  if (g_large_allocations_fail.load() && size >= kFailFrom) throw std::bad_alloc();
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}

void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

#pragma GCC diagnostic pop

// Mended; the same instance runs when memory suffices.
TEST(RunDriverMemory, AllocationFailureNamesTheInstance) {
  const ChildResult r = run_large_instance(true);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, prompted("Memory ran out while handling instance 5."));
  const ChildResult control = run_large_instance(false);
  EXPECT_EQ(control.status, 0) << control.out;
  EXPECT_EQ(control.out.rfind("---=[FILE 5]=---\nINITIALIZATION ", 0), 0u);
}
