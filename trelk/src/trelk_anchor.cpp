// Keeps the library non-empty while its modules are added one by one.
namespace trelk { int trelk_anchor = 0; }
