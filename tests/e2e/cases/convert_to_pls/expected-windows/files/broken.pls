[playlist]
numberofentries=6
file1=/music/Anna Berg/Northern Shore/01 Harbour Lights.mp3
title1=Anna Berg - Harbour Lights
length1=245
file2=/music/Anna Berg/Northern Shore/02 Salt Wind.mp3
title2=Anna Berg - Salt Wind
length2=198
file3=/music/Copper Kettles/City Lines (2001)/01 Morning Tram.mp3
title3=Copper Kettles - Morning Tram
length3=222
file4=/music/eero lind/winter/01 snowfall.mp3
title4=Eero Lind - Snowfall
length4=176
file5=/music/Dalia Moreno/Live/04 Sandstorm.mp3
file6=/music/Eero Lind/Live/01 Snowfall.mp3
title6=Eero Lind - Snowfall (Live)
length6=240
