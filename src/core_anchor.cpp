// Keeps kvx_core a valid library while a build holds no other core source.
namespace kvx {
int CoreLibraryAnchor() { return 0; }
}  // namespace kvx
