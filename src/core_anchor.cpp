// Keeps the core library non-empty while its parts are added one by one.
namespace quorix { int core_anchor = 0; }
