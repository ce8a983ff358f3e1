[playlist]
File1=Summer/05 Summer.mp3
File2=#2 Gone/09 Autumn.mp3
