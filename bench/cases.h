// The benchmark families; each registers its cases on the card opened by main.
#pragma once

namespace bench {

void register_pattern_generator_cases();
void register_raw_spi_cases();
void register_display_cases();
void register_frame_buffer_cases();

}  // namespace bench
