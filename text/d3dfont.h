// The texture-atlas font (built by the text room).
#pragma once
