#pragma once

namespace vantry::test {

// A loopback port free just now, for a program that must be told its port before it listens.
int freeLoopbackPort();

} // namespace vantry::test
