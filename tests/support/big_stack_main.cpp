// The test runners' main: runs every test on a thread with a large stack,
// as the program runs scripts, so tests of deep recursion and nesting
// measure the interpreter's own limits rather than the default stack.
#include <gtest/gtest.h>
#include <pthread.h>

namespace {

struct Run {
    int argc;
    char** argv;
    int status;
};

void* RunTests(void* arg)
{
    Run* run = static_cast<Run*>(arg);
    testing::InitGoogleTest(&run->argc, run->argv);
    run->status = RUN_ALL_TESTS();
    return nullptr;
}

constexpr size_t TEST_STACK_BYTES = size_t { 512 } << 20;

} // namespace

int main(int argc, char** argv)
{
    Run run { argc, argv, 1 };
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, TEST_STACK_BYTES);
    pthread_t thread;
    if (pthread_create(&thread, &attr, RunTests, &run) != 0)
        return RunTests(&run), run.status;
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
    return run.status;
}
