// placeholder until the busy indicator lands
