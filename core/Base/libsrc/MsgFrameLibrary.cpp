// Placeholder unit so that msgframe builds before its classes exist.
namespace msgframe_detail { int library_placeholder = 0; }
