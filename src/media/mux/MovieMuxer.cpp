#include "media/mux/MovieMuxer.h"
