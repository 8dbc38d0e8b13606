#pragma once

#define VELMORA_VERSION "0.1.0"
