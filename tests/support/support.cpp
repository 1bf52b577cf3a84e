// Keeps the toolkit's library non-empty while its pieces are header-only.
namespace kelvaron_test_support {
int linked = 0;
}
