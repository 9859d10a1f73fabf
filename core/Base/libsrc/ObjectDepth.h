// How deep objects may nest inside each other wherever they travel or are
// converted: the binary wire form (either direction) and the s-expression
// item form (object to tree and back). The message at the top of a stream
// is no level: its object fields are the first, so a message may carry
// objects nested MxrMaxObjectDepth deep in either form.
#pragma once

constexpr int MxrMaxObjectDepth = 256;
