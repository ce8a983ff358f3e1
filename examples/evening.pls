[playlist]
numberofentries=5
file1=/media/old-disk/Music/Gull Harbour Band/Tides/02 Low Water.mp3
title1=Gull Harbour Band - Low Water
length1=297
file2=/music/Fennel and Rye/Kitchen Songs/01 Bread and Salt.mp3
title2=Fennel & Rye - Bread and Salt
length2=192
file3=/music/Dalia Moreno/Live at the Dunes/03 Mirage.mp3
title3=Dalia Moreno - Mirage
length3=355
file4=/music/Eero Lind/Winter/04 Ice Road.mp3
title4=Eero Lind - Ice Road
length4=283
file5=/music/Gull Harbour Band/Tides/03 Spring Tide.mp3
title5=Gull Harbour Band - Spring Tide
length5=276
