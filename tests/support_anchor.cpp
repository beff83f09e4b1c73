// Keeps the test support library valid while it holds no other source.
namespace kvx::test {
int SupportLibraryAnchor() { return 0; }
}  // namespace kvx::test
