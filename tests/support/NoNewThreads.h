#pragma once

#include <cstddef>
#include <gtest/gtest.h>
#include <pthread.h>

namespace meldrix::testsupport {

//! While it lives, no new thread can start: every thread asks for a stack larger than the address
//! space. For tests of what a run does when its workers cannot start.
class NoNewThreads {
public:
    NoNewThreads()
    {
        EXPECT_EQ(pthread_getattr_default_np(&m_usual), 0);
        EXPECT_EQ(pthread_attr_init(&m_huge), 0);
        EXPECT_EQ(pthread_attr_setstacksize(&m_huge, std::size_t { 1 } << 50), 0);
        EXPECT_EQ(pthread_setattr_default_np(&m_huge), 0);
    }
    NoNewThreads(const NoNewThreads&) = delete;
    NoNewThreads& operator=(const NoNewThreads&) = delete;
    ~NoNewThreads()
    {
        EXPECT_EQ(pthread_setattr_default_np(&m_usual), 0);
        pthread_attr_destroy(&m_huge);
        pthread_attr_destroy(&m_usual);
    }

private:
    pthread_attr_t m_usual {};
    pthread_attr_t m_huge {};
};

} // namespace meldrix::testsupport
