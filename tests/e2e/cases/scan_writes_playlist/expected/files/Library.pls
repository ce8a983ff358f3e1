[playlist]
numberofentries=3
file1=@WORK@/music/Anna Berg/Northern Shore/01 Harbour Lights.opus
title1=Anna Berg - Harbour Lights
length1=245
file2=@WORK@/music/Anna Berg/Northern Shore/04 Last Ferry.opus
title2=Anna Berg - Last Ferry
length2=266
file3=@WORK@/music/untitled.mp3
